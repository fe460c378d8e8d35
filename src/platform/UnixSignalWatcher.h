#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Turns Unix signals (SIGTERM, SIGINT) into a Qt signal delivered on the event
// loop, where it is safe to quit the application. The handler itself only
// writes one byte to a pipe; everything else happens on the event loop.
class UnixSignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~UnixSignalWatcher() override;

Q_SIGNALS:
    void unixSignal(int signalNumber);

private:
    void readPendingSignals();

    QSocketNotifier *m_notifier = nullptr;
};
