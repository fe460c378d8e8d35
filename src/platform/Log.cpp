#include "Log.h"

#include <QMutex>
#include <QMutexLocker>

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
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

Log::Sink Log::setSink(Sink sink)
{
    QMutexLocker locker(&logMutex());
    return std::exchange(currentSink(), std::move(sink));
}
