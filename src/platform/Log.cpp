#include "Log.h"

#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {
QMutex &logMutex()
{
    static QMutex mutex;
    return mutex;
}

// Whether a character goes to the log as it is. Line breaks would let a text
// of the service start a line that reads as one of ours; other control
// characters move the cursor or retitle the terminal; the characters that
// reorder text for display would turn the rest of the line around.
bool writtenAsIs(char16_t c)
{
    if (c < 0x20 || (c >= 0x7f && c <= 0x9f))
        return false;
    switch (c) {
    case 0x061c: // Arabic letter mark
    case 0x200e: // left-to-right mark
    case 0x200f: // right-to-left mark
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
        return false;
    default:
        return !(c >= 0x202a && c <= 0x202e) && !(c >= 0x2066 && c <= 0x2069);
    }
}

Log::Sink &currentSink()
{
    static Log::Sink sink;
    return sink;
}
} // namespace

void Log::line(const QString &text)
{
    const QString shown = printable(text);
    QMutexLocker locker(&logMutex());
    if (const Sink &sink = currentSink()) {
        sink(shown);
        return;
    }
    const QByteArray bytes = shown.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString Log::printable(const QString &text)
{
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return !writtenAsIs(c.unicode()); }))
        return text;
    QString shown;
    shown.reserve(text.size() + 16);
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (writtenAsIs(code))
            shown += c;
        else if (code == u'\n')
            shown += QStringLiteral("\\n");
        else if (code == u'\r')
            shown += QStringLiteral("\\r");
        else if (code == u'\t')
            shown += QStringLiteral("\\t");
        else if (code <= 0xff)
            shown += QStringLiteral("\\x%1").arg(uint(code), 2, 16, QLatin1Char('0'));
        else
            shown
                += QStringLiteral("\\u") + QString::number(uint(code), 16).toUpper().rightJustified(4, u'0');
    }
    return shown;
}

Log::Sink Log::setSink(Sink sink)
{
    QMutexLocker locker(&logMutex());
    return std::exchange(currentSink(), std::move(sink));
}
