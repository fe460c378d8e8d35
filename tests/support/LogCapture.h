#pragma once

#include "platform/Log.h"

#include <QMutex>
#include <QStringList>

// Collects the log lines written while it lives, in place of standard output.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList lines() const;
    bool contains(const QString &line) const { return lines().contains(line); }
    void clear();

private:
    mutable QMutex m_mutex;
    QStringList m_lines;
    Log::Sink m_previous;
};
