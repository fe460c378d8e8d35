#include "ActionButton.h"

#include "ui/ElidedLabel.h"
#include "ui/Fonts.h"
#include "ui/SymbolImage.h"

#include <QHBoxLayout>

const QColor ActionButton::textSecondary = QColor::fromRgbF(0.5f, 0.5f, 0.55f);
const QColor ActionButton::accentBeige = QColor::fromRgbF(0.96f, 0.94f, 0.90f);

ActionButton::ActionButton(
    const QString &title, const QString &icon, std::function<void()> action, QWidget *parent)
    : PlainButton(accentBeige, 6, parent)
    , m_title(title)
    , m_icon(icon)
{
    setAccessibleName(title);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *label = new QHBoxLayout(this);
    label->setContentsMargins(12, 8, 12, 8);
    label->setSpacing(6);
    label->addWidget(new SymbolImage(icon, textSecondary, 11, 11));
    label->addWidget(new ElidedLabel(title, Fonts::custom(Fonts::hafferTrialRegular, 12), textSecondary));
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action)
            action();
    });
}
