#pragma once

#include "support/LogCapture.h"

#include <QElapsedTimer>
#include <QTest>

#include <ostream>

// Log lines in test failures as text.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

// The failure line of a registration outside an X11 session, as every
// offscreen test sees it.
inline const QString registrationFailedOffscreen
    = QStringLiteral("❌ Failed to register global hotkey. Status: -1");

// Waits until the log holds `line` `count` times; returns how long that took
// from `since`, or -1 when it did not happen within the time-out.
inline qint64 msUntilLogged(const LogCapture &log, const QString &line, const QElapsedTimer &since,
    int count = 1, int timeoutMs = 5000)
{
    if (!QTest::qWaitFor([&] { return log.lines().count(line) >= count; }, timeoutMs))
        return -1;
    return since.elapsed();
}
