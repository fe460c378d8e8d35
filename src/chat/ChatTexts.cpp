#include "ChatTexts.h"

#include <QFontMetricsF>
#include <QTextLayout>

namespace {

bool isInputWhitespace(QChar c)
{
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

} // namespace

namespace ChatTexts {

QString trimmedInput(const QString &input)
{
    qsizetype begin = 0;
    qsizetype end = input.size();
    while (begin < end && isInputWhitespace(input.at(begin)))
        ++begin;
    while (end > begin && isInputWhitespace(input.at(end - 1)))
        --end;
    return input.mid(begin, end - begin);
}

bool isBlankInput(const QString &input)
{
    return trimmedInput(input).isEmpty();
}

QString chatStatusText(bool isProcessing, qsizetype messageCount)
{
    if (isProcessing)
        return QStringLiteral("AI is thinking...");
    if (messageCount == 0)
        return QStringLiteral("Start a conversation");
    return QString::number(messageCount) + QStringLiteral(" messages");
}

QString savedCountText(qsizetype conversationCount)
{
    return QString::number(conversationCount) + QStringLiteral(" saved");
}

QString exchangesText(qsizetype messageCount)
{
    return QString::number(messageCount / 2) + QStringLiteral(" exchanges");
}

QStringList clampedLines(const QString &text, const QFont &font, qreal width, int maxLines)
{
    QString flowing = text;
    flowing.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(flowing, font);
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            // The last line allowed takes the rest, cut at its end.
            QString rest = flowing.mid(line.textStart());
            rest.replace(QChar::LineSeparator, u' ');
            lines << QFontMetricsF(font).elidedText(rest.trimmed(), Qt::ElideRight, width);
            break;
        }
        QString part = flowing.mid(line.textStart(), line.textLength());
        part.remove(QChar::LineSeparator);
        lines << part.trimmed();
    }
    layout.endLayout();
    if (lines.isEmpty())
        lines << QString();
    return lines;
}

QFont fontFitting(const QString &text, QFont font, qreal width, int maxLines, int smallestPixelSize)
{
    const auto fits = [&](const QFont &candidate) {
        const QStringList lines = clampedLines(text, candidate, width, maxLines);
        return lines.size() < maxLines || !lines.last().endsWith(QChar(0x2026))
            || text.endsWith(QChar(0x2026));
    };
    while (font.pixelSize() > smallestPixelSize && !fits(font))
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

QString proposedScreenshotFileName(const DateEnvironment &environment)
{
    return QStringLiteral("Screenshot_")
        + environment.local(environment.now()).toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"))
        + QStringLiteral(".png");
}

} // namespace ChatTexts
