#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray openPanelRequest = "open-panel\n";
const QByteArray doneAnswer = "done\n";
// A request is one short line; anything longer is not ours.
constexpr qint64 requestLimit = 64;
constexpr int requestTimeoutMs = 2000;
constexpr int connectRetryMs = 50;
// How long a start looks for a first that listens in another runtime folder:
// that one wrote where it listens once it did, so it either answers at
// once or cannot be reached from here at all.
constexpr int elsewhereConnectMs = 2000;
const QString configLockName = QStringLiteral("instance.lock");
// A socket's path, with room to spare.
constexpr qint64 recordLimit = 4096;

// Takes the lock on the file without waiting: its descriptor, or -1 (with
// `heldElsewhere` set when another process holds the lock). Not inherited
// by programs started from here (a browser that opens a link), which would
// otherwise keep the lock after this process ends.
int lockFile(const QString &path, bool *heldElsewhere)
{
    *heldElsewhere = false;
    const int fd
        = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return -1;
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        *heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return -1;
    }
    return fd;
}

// Where the holder of the configuration folder's lock said it listens.
QString recordedSocketPath(const QString &lockPath)
{
    QFile file(lockPath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray record = file.read(recordLimit);
    if (!record.endsWith('\n'))
        return QString(); // not written yet, or not by us
    return QFile::decodeName(record.chopped(1));
}

} // namespace

SingleInstance::SingleInstance(
    const QString &runtimeFolder, const QString &instanceKey, const QString &configFolder, QObject *parent)
    : QObject(parent)
    , m_configFolder(configFolder)
{
    if (!configFolder.isEmpty())
        m_configLockPath = QDir(configFolder).filePath(configLockName);
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
    release();
    if (m_configLockFile >= 0)
        ::close(m_configLockFile);
}

void SingleInstance::release()
{
    if (m_server.isListening())
        m_server.close();
    if (m_lockFile >= 0)
        ::close(m_lockFile);
    m_lockFile = -1;
}

QString SingleInstance::sessionRuntimeFolder()
{
    // Qt checks that the folder belongs to this user and that no one else
    // may enter it, and falls back to a private folder of its own.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

SingleInstance::Claim SingleInstance::claim()
{
    Claim runtimeClaim = Claim::Unguarded;
    if (!m_lockPath.isEmpty()) {
        bool heldElsewhere = false;
        m_lockFile = lockFile(m_lockPath, &heldElsewhere);
        if (heldElsewhere)
            return m_claim = Claim::Second;
        if (m_lockFile >= 0) {
            // A socket file left by a process that ended without removing it
            // (a crash, kill -9) would refuse the listen; no one else can be
            // using it.
            QLocalServer::removeServer(m_socketPath);
            if (m_server.listen(m_socketPath))
                runtimeClaim = Claim::First;
            else
                release(); // a later start would find the lock and wait in vain for an answer
        }
    }
    return m_claim = claimConfigFolder(runtimeClaim);
}

SingleInstance::Claim SingleInstance::claimConfigFolder(Claim runtimeClaim)
{
    if (m_configLockPath.isEmpty())
        return runtimeClaim;
    if (!QFileInfo::exists(m_configFolder) && QDir().mkpath(m_configFolder))
        ::chmod(QFile::encodeName(m_configFolder).constData(), 0700);
    bool heldElsewhere = false;
    m_configLockFile = lockFile(m_configLockPath, &heldElsewhere);
    if (heldElsewhere) {
        // Not this runtime folder's first, or this start would have found
        // that one's lock: this start does not run, and leaves this runtime
        // folder to the next.
        release();
        m_socketPath = recordedSocketPath(m_configLockPath);
        return Claim::Elsewhere;
    }
    if (m_configLockFile < 0) // a folder it cannot write: the runtime folder's lock is all there is
        return runtimeClaim;
    const QByteArray record
        = runtimeClaim == Claim::First ? QFile::encodeName(m_socketPath) + '\n' : QByteArray();
    // Should the write fail, a start with another runtime folder still finds
    // this one; it only cannot reach it.
    [[maybe_unused]] const bool recorded = ::ftruncate(m_configLockFile, 0) == 0
        && ::pwrite(m_configLockFile, record.constData(), size_t(record.size()), 0) == record.size();
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
    const QDeadlineTimer connectDeadline(
        m_claim == Claim::Elsewhere ? qMin(timeoutMs, elsewhereConnectMs) : timeoutMs);
    QLocalSocket socket;
    // The first may hold the lock a moment before it listens, or before it
    // writes where.
    for (;;) {
        if (m_claim == Claim::Elsewhere && m_socketPath.isEmpty())
            m_socketPath = recordedSocketPath(m_configLockPath);
        if (!m_socketPath.isEmpty()) {
            socket.connectToServer(m_socketPath);
            if (socket.waitForConnected(int(qMax<qint64>(1, connectDeadline.remainingTime()))))
                break;
        }
        if (connectDeadline.hasExpired())
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
