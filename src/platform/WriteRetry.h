#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

// Retries a store's writes that the file did not take (another program holds
// it, the disk is full) until they go through. The store keeps what it could
// not write and hands in `attempt`, which tries to write all of it and says
// whether everything is written now.
//
// After a failed attempt the next one comes a second later, and each further
// failure doubles the wait, up to half a minute: an attempt may wait for the
// busy file itself, and a file held for long should not have the program
// waiting on it over and over. When the application quits, one last attempt
// is made at once.
//
// Lives on the GUI thread, where `attempt` runs.
class WriteRetry : public QObject
{
    Q_OBJECT

public:
    static constexpr int firstDelayMs = 1000;
    static constexpr int longestDelayMs = 30000;

    explicit WriteRetry(std::function<bool()> attempt, QObject *parent = nullptr);

    // An attempt failed: tries again later. Keeps the wait already planned
    // when a retry is due anyway.
    void schedule();
    // Everything is written: no retry is due any more, and the next failure
    // waits the first delay again.
    void cancel();
    bool isScheduled() const { return m_timer.isActive(); }
    // Whether the application is quitting: a write that comes now is to be
    // tried at once, since no retry follows, and what it leaves is lost.
    bool isQuitting() const { return m_quitting; }

private:
    void retry();
    void applicationQuits();

    std::function<bool()> m_attempt;
    QTimer m_timer;
    int m_delayMs = firstDelayMs;
    bool m_quitting = false;
};
