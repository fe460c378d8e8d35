#include "QuickActionButton.h"

#include "ui/ElidedLabel.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/SymbolImage.h"

#include <QHBoxLayout>

QuickActionButton::QuickActionButton(
    const QString &title, const QString &systemImage, std::function<void()> action, QWidget *parent)
    : PlainButton(Palette::withOpacity(Palette::quaternaryLabel(), 0.5), 8, parent)
    , m_title(title)
    , m_systemImage(systemImage)
{
    setAccessibleName(title);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *label = new QHBoxLayout(this);
    label->setContentsMargins(12, 8, 12, 8);
    label->setSpacing(6);
    label->addWidget(new SymbolImage(systemImage, Palette::primaryLabel(), 12, 12));
    label->addWidget(new ElidedLabel(title, Fonts::custom(Fonts::hafferMedium, 13), Palette::primaryLabel()));
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action)
            action();
    });
}
