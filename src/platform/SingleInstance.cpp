#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QByteArray openPanelRequest = "open-panel\n";
const QByteArray doneAnswer = "done\n";
// A request is one short line; anything longer is not ours.
constexpr qint64 requestLimit = 64;
constexpr int requestTimeoutMs = 2000;
constexpr int connectRetryMs = 50;

} // namespace

SingleInstance::SingleInstance(const QString &runtimeFolder, const QString &instanceKey, QObject *parent)
    : QObject(parent)
{
    if (runtimeFolder.isEmpty())
        return;
    // Short and free of any character a path cannot hold, whatever the key.
    const QByteArray name = "pexilo-"
        + QCryptographicHash::hash(instanceKey.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    const QDir folder(runtimeFolder);
    m_socketPath = folder.filePath(QString::fromLatin1(name + ".socket"));
    m_lockPath = folder.filePath(QString::fromLatin1(name + ".lock"));
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server.nextPendingConnection())
            answer(socket);
    });
}

SingleInstance::~SingleInstance()
{
    if (m_server.isListening())
        m_server.close();
    if (m_lockFile >= 0)
        ::close(m_lockFile);
}

QString SingleInstance::sessionRuntimeFolder()
{
    // Qt checks that the folder belongs to this user and that no one else
    // may enter it, and falls back to a private folder of its own.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

SingleInstance::Claim SingleInstance::claim()
{
    if (m_lockPath.isEmpty())
        return Claim::Unguarded;
    // Not inherited by programs started from here (a browser that opens a
    // link), which would otherwise keep the lock after this process ends.
    m_lockFile
        = ::open(QFile::encodeName(m_lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lockFile < 0)
        return Claim::Unguarded;
    int locked;
    do {
        locked = ::flock(m_lockFile, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        ::close(m_lockFile);
        m_lockFile = -1;
        return heldElsewhere ? Claim::Second : Claim::Unguarded;
    }

    // A socket file left by a process that ended without removing it (a
    // crash, kill -9) would refuse the listen; no one else can be using it.
    QLocalServer::removeServer(m_socketPath);
    if (!m_server.listen(m_socketPath)) {
        // A later start would find the lock and wait in vain for an answer.
        ::close(m_lockFile);
        m_lockFile = -1;
        return Claim::Unguarded;
    }
    return Claim::First;
}

void SingleInstance::answer(QLocalSocket *socket)
{
    socket->setParent(this);
    auto *timeout = new QTimer(socket);
    timeout->setSingleShot(true);
    connect(timeout, &QTimer::timeout, socket, &QLocalSocket::abort);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::errorOccurred, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > requestLimit)
                socket->abort();
            return;
        }
        const QByteArray request = socket->readLine(requestLimit + 1);
        if (request == openPanelRequest) {
            Q_EMIT openPanelRequested();
            socket->write(doneAnswer);
        }
        socket->disconnectFromServer();
    });
    timeout->start(requestTimeoutMs);
}

bool SingleInstance::askFirstToOpenPanel(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The first may hold the lock a moment before it listens.
    for (;;) {
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(connectRetryMs);
    }
    socket.write(openPanelRequest);
    if (!socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))))
        return false;
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            return false;
    }
    return socket.readLine(requestLimit + 1) == doneAnswer;
}
