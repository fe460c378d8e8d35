#include "MenuBarButton.h"

#include "ui/ElidedLabel.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/SymbolImage.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

QColor rowFill(bool isPromotional)
{
    return isPromotional ? Palette::withOpacity(Palette::orange(), 0.1) : QColor(Qt::transparent);
}

} // namespace

MenuBarButton::MenuBarButton(const QString &icon, const QString &title, const QString &subtitle,
    std::function<void()> action, bool isPromotional, QWidget *parent)
    : PlainButton(rowFill(isPromotional), 6, parent)
    , m_icon(icon)
    , m_title(title)
    , m_subtitle(
          new ElidedLabel(subtitle, Fonts::custom(Fonts::hafferRegular, 12), Palette::secondaryLabel()))
    , m_isPromotional(isPromotional)
{
    // Without the keyboard, the tray panel would leave a keyboard user no way
    // to the settings.
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(title);
    setAccessibleDescription(subtitle);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(12);
    row->addWidget(new SymbolImage(icon, isPromotional ? Palette::orange() : Palette::blue(), 16, 20));

    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(new ElidedLabel(title, Fonts::custom(Fonts::hafferMedium, 14), Palette::primaryLabel()));
    texts->addWidget(m_subtitle);
    row->addLayout(texts);
    row->addStretch();

    if (isPromotional)
        row->addWidget(new SymbolImage(QStringLiteral("chevron.right"), Palette::orange(), 12, 12));

    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action)
            action();
    });
}

QString MenuBarButton::subtitle() const
{
    return m_subtitle->text();
}

void MenuBarButton::setSubtitle(const QString &subtitle)
{
    m_subtitle->setText(subtitle);
    setAccessibleDescription(subtitle);
}
