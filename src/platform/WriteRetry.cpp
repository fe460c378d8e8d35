#include "WriteRetry.h"

#include <QCoreApplication>

#include <utility>

WriteRetry::WriteRetry(std::function<bool()> attempt, QObject *parent)
    : QObject(parent)
    , m_attempt(std::move(attempt))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &WriteRetry::retry);
    if (QCoreApplication *application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &WriteRetry::applicationQuits);
}

void WriteRetry::schedule()
{
    if (!m_timer.isActive())
        m_timer.start(m_delayMs);
}

void WriteRetry::cancel()
{
    m_timer.stop();
    m_delayMs = firstDelayMs;
}

void WriteRetry::retry()
{
    if (m_attempt()) {
        cancel();
        return;
    }
    m_delayMs = qMin(m_delayMs * 2, longestDelayMs);
    m_timer.start(m_delayMs);
}

void WriteRetry::applicationQuits()
{
    m_quitting = true;
    // Only an event loop that runs again (a test's) gets here: the
    // application goes on, and so do the retries.
    QTimer::singleShot(0, this, [this] { m_quitting = false; });
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    if (m_attempt())
        cancel();
    else
        m_timer.start(m_delayMs);
}
