#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

// One running application per user and configuration folder.
//
// The first start holds a lock file in the runtime folder for as long as it
// runs and listens on a local socket beside it; a later start finds the lock
// taken and sends its request through the socket instead of running a second
// time. The kernel drops the lock with the process that held it, so a crash
// or kill -9 leaves nothing that stops the next start, and of two starts at
// the same moment exactly one gets it.
//
// A start in another login session may have a runtime folder of its own over
// the same configuration folder: the first also holds a lock file in the
// configuration folder, and writes into it where its socket is, so that such
// a start finds it too and asks it there when it can reach that socket.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Claim {
        // This process is the one instance and listens for requests (unless
        // it has no runtime folder, where only the configuration folder's
        // lock tells later starts that it runs).
        First,
        // Another process holds the lock.
        Second,
        // A process with another runtime folder holds the configuration
        // folder's lock; socketPath() is where it said it listens (empty
        // when it did not say).
        Elsewhere,
        // No private runtime folder, or the lock or socket cannot be made:
        // this process runs without knowing of others.
        Unguarded,
    };

    // `runtimeFolder`: a folder only this user can enter ($XDG_RUNTIME_DIR).
    // `instanceKey`: what makes two starts the same (the configuration folder).
    // `configFolder`: the application's own folder in it, made (mode 0700)
    // when missing; empty: no lock there.
    SingleInstance(const QString &runtimeFolder, const QString &instanceKey,
        const QString &configFolder = QString(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // The runtime folder as the session gives it (with Qt's private fallback
    // when XDG_RUNTIME_DIR is missing); empty when there is none to trust.
    static QString sessionRuntimeFolder();

    // Takes the lock and listens, or finds that another process holds it.
    Claim claim();

    // For a second start: asks the first to open its panel and waits for its
    // answer; false when it did not answer within `timeoutMs`.
    bool askFirstToOpenPanel(int timeoutMs = 10000);

    QString socketPath() const { return m_socketPath; }
    QString lockPath() const { return m_lockPath; }
    QString configLockPath() const { return m_configLockPath; }

Q_SIGNALS:
    // A later start asked this one to open its panel.
    void openPanelRequested();

private:
    void answer(QLocalSocket *socket);
    // Takes the configuration folder's lock, or finds it held elsewhere.
    Claim claimConfigFolder(Claim runtimeClaim);
    void release();

    QString m_socketPath;
    QString m_lockPath;
    QString m_configFolder;
    QString m_configLockPath;
    int m_lockFile = -1;
    int m_configLockFile = -1;
    Claim m_claim = Claim::Unguarded;
    QLocalServer m_server;
};
