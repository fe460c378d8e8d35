#include "FakeAIService.h"

#include "TestCertificates.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QTest>

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

QByteArray RecordedRequest::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool RecordedRequest::hasHeader(const QByteArray &name) const
{
    for (const auto &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

FakeReply FakeReply::chatCompletion(const QString &content)
{
    const QJsonObject message { { QStringLiteral("role"), QStringLiteral("assistant") },
        { QStringLiteral("content"), content } };
    const QJsonObject choice { { QStringLiteral("index"), 0 }, { QStringLiteral("message"), message },
        { QStringLiteral("finish_reason"), QStringLiteral("stop") } };
    const QJsonObject body { { QStringLiteral("id"), QStringLiteral("chatcmpl-test") },
        { QStringLiteral("object"), QStringLiteral("chat.completion") },
        { QStringLiteral("model"), QStringLiteral("gpt-4o") },
        { QStringLiteral("choices"), QJsonArray { choice } } };
    FakeReply reply;
    reply.body = QJsonDocument(body).toJson(QJsonDocument::Compact);
    return reply;
}

FakeReply FakeReply::withStatus(int status, const QByteArray &body)
{
    FakeReply reply;
    reply.status = status;
    reply.body = body;
    return reply;
}

FakeReply FakeReply::redirect(int status, const QUrl &location)
{
    FakeReply reply = withStatus(status, R"({"moved":true})");
    reply.headers.append({ "Location", location.toEncoded() });
    return reply;
}

FakeReply FakeReply::endless()
{
    FakeReply reply;
    reply.endlessBody = true;
    return reply;
}

FakeReply FakeReply::dropped()
{
    FakeReply reply;
    reply.dropConnection = true;
    return reply;
}

FakeAIService::FakeAIService(Transport transport)
    : m_transport(transport)
{
    if (transport == Transport::Tls) {
        m_server = std::make_unique<httplib::SSLServer>(
            QFile::encodeName(TestCertificates::serverCertificatePath()),
            QFile::encodeName(TestCertificates::serverKeyPath()));
    } else {
        m_server = std::make_unique<httplib::Server>();
    }

    setDefault(
        "POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("This is a test answer.")));
    setDefault(
        "GET", "/v1/models", FakeReply::withStatus(200, R"({"object":"list","data":[{"id":"gpt-4o"}]})"));
    setDefault("HEAD", "/", FakeReply::withStatus(200));

    const auto handler = [this](const httplib::Request &req, httplib::Response &res) {
        RecordedRequest request;
        request.method = QByteArray::fromStdString(req.method);
        request.path = QByteArray::fromStdString(req.path);
        for (const auto &[name, value] : req.headers) {
            // The library files the connection's addresses among the headers.
            if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR"
                || name == "LOCAL_PORT")
                continue;
            request.headers.append({ QByteArray::fromStdString(name), QByteArray::fromStdString(value) });
        }
        request.body = QByteArray::fromStdString(req.body);
        serve(request, req.remote_port, &res);
    };
    const char *everything = ".*";
    m_server->Get(everything, handler);
    m_server->Post(everything, handler);
    m_server->Put(everything, handler);
    m_server->Patch(everything, handler);
    m_server->Delete(everything, handler);
    m_server->Options(everything, handler);

    if (!m_server->is_valid())
        return;
    const int port = m_server->bind_to_any_port("127.0.0.1");
    if (port <= 0)
        return;
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // A server that is stopped before its thread starts listening never
    // notices and keeps waiting for a connection, so the destructor would
    // wait for ever: the service only counts as running once it listens.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!m_server->is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (m_server->is_running())
        m_port = port;
}

FakeAIService::~FakeAIService()
{
    {
        std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopped.notify_all();
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

QUrl FakeAIService::baseUrl() const
{
    const QString scheme = m_transport == Transport::Tls ? QStringLiteral("https") : QStringLiteral("http");
    return QUrl(QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(m_port));
}

void FakeAIService::enqueue(const QByteArray &method, const QByteArray &path, const FakeReply &reply)
{
    QMutexLocker locker(&m_mutex);
    m_scripts[{ method, path }].push_back(reply);
}

void FakeAIService::setDefault(const QByteArray &method, const QByteArray &path, const FakeReply &reply)
{
    QMutexLocker locker(&m_mutex);
    m_defaults[{ method, path }] = reply;
}

QList<RecordedRequest> FakeAIService::requests() const
{
    QMutexLocker locker(&m_mutex);
    return m_requests;
}

QList<RecordedRequest> FakeAIService::requests(const QByteArray &method, const QByteArray &path) const
{
    QList<RecordedRequest> matching;
    for (const RecordedRequest &request : requests()) {
        if (request.method == method && request.path == path)
            matching.append(request);
    }
    return matching;
}

bool FakeAIService::waitForRequests(int count, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return requests().size() >= count; }, timeoutMs);
}

FakeReply FakeAIService::replyFor(const RecordedRequest &request)
{
    QMutexLocker locker(&m_mutex);
    m_requests.append(request);
    const Route route { request.method, request.path };
    if (auto script = m_scripts.find(route); script != m_scripts.end() && !script->second.empty()) {
        FakeReply reply = script->second.front();
        script->second.pop_front();
        return reply;
    }
    if (auto fallback = m_defaults.find(route); fallback != m_defaults.end())
        return fallback->second;
    return FakeReply::withStatus(404, R"({"error":{"message":"Not found"}})");
}

void FakeAIService::serve(const RecordedRequest &request, int remotePort, void *response)
{
    const FakeReply reply = replyFor(request);
    if (reply.delay.count() > 0) {
        std::unique_lock lock(m_stopMutex);
        m_stopped.wait_for(lock, reply.delay, [this] { return m_stopping; });
    }
    if (reply.dropConnection) {
        dropConnection(remotePort);
        return;
    }
    auto &res = *static_cast<httplib::Response *>(response);
    res.status = reply.status;
    for (const auto &[name, value] : reply.headers)
        res.set_header(name.toStdString(), value.toStdString());
    if (reply.endlessBody) {
        res.set_chunked_content_provider(
            reply.contentType.toStdString(), [this](size_t, httplib::DataSink &sink) {
                static const std::string piece(64 * 1024, 'x');
                {
                    std::lock_guard lock(m_stopMutex);
                    if (m_stopping)
                        return false;
                }
                if (!sink.write(piece.data(), piece.size()))
                    return false;
                m_endlessBytesSent += qint64(piece.size());
                return true;
            });
        return;
    }
    res.set_content(reply.body.toStdString(), reply.contentType.toStdString());
}

// The HTTP library offers no way to hang up on a client from a handler, so
// find this connection's socket by its client port and shut it down: the
// client then sees the connection end before any answer.
void FakeAIService::dropConnection(int remotePort) const
{
    const QStringList descriptors
        = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
    for (const QString &name : descriptors) {
        const int fd = name.toInt();
        sockaddr_in peer = {};
        sockaddr_in local = {};
        socklen_t peerLength = sizeof peer;
        socklen_t localLength = sizeof local;
        if (::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &peerLength) != 0
            || peer.sin_family != AF_INET)
            continue;
        if (::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localLength) != 0)
            continue;
        if (ntohs(peer.sin_port) == remotePort && ntohs(local.sin_port) == m_port) {
            ::shutdown(fd, SHUT_RDWR);
            return;
        }
    }
}
