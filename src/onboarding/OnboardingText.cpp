#include "OnboardingText.h"

#include "ui/ElidedLabel.h"
#include "ui/Surface.h"
#include "ui/markup/TextBlock.h"

#include <QHBoxLayout>
#include <QLabel>

namespace OnboardingText {

TextBlock *centred(const QString &text, const QFont &font, const QColor &colour, qreal lineSpacing)
{
    QString lines = text;
    lines.replace(QLatin1Char('\n'), QChar::LineSeparator);
    auto *block = new TextBlock(lines);
    block->setFont(font);
    block->setTextColor(colour);
    block->setAlignment(Qt::AlignHCenter);
    block->setLineSpacing(lineSpacing);
    return block;
}

QWidget *chip(const QString &text, const QFont &font, const QColor &colour, int horizontalPadding,
    int verticalPadding, const QColor &fill)
{
    auto *chip = new Surface(fill, 8);
    auto *layout = new QHBoxLayout(chip);
    layout->setContentsMargins(horizontalPadding, verticalPadding, horizontalPadding, verticalPadding);
    auto *label = new ElidedLabel(text, font, colour);
    label->setAccessibleName(text);
    layout->addWidget(label);
    chip->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    return chip;
}

} // namespace OnboardingText
