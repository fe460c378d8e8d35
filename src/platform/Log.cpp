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

Log::Sink &currentSink()
{
    static Log::Sink sink;
    return sink;
}
} // namespace

void Log::line(const QString &text)
{
    QMutexLocker locker(&logMutex());
    if (const Sink &sink = currentSink()) {
        sink(text);
        return;
    }
    const QByteArray bytes = printable(text).toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString Log::printable(const QString &text)
{
    const auto isControl
        = [](char16_t c) { return (c < 0x20 && c != u'\n' && c != u'\t') || (c >= 0x7f && c <= 0x9f); };
    if (std::none_of(text.begin(), text.end(), [&](QChar c) { return isControl(c.unicode()); }))
        return text;
    QString shown;
    shown.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (isControl(c.unicode()))
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

Log::Sink Log::setSink(Sink sink)
{
    QMutexLocker locker(&logMutex());
    return std::exchange(currentSink(), std::move(sink));
}
