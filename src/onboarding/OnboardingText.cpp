#include "OnboardingText.h"

#include "onboarding/RoundedBackground.h"
#include "ui/ElidedLabel.h"
#include "ui/markup/TextBlock.h"

#include <QHBoxLayout>
#include <QLabel>

namespace OnboardingText {

QLabel *label(const QString &text, const QFont &font, const QColor &colour)
{
    auto *label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

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
    auto *chip = new RoundedBackground(fill, 8);
    auto *layout = new QHBoxLayout(chip);
    layout->setContentsMargins(horizontalPadding, verticalPadding, horizontalPadding, verticalPadding);
    auto *label = new ElidedLabel(text, font, colour);
    label->setAccessibleName(text);
    layout->addWidget(label);
    chip->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    return chip;
}

} // namespace OnboardingText
