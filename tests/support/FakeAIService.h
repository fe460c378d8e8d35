#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace httplib {
class Server;
}

// One request as the fake service received it.
struct RecordedRequest
{
    QByteArray method;
    QByteArray path;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The value of the named header (any case); empty when absent.
    QByteArray header(const QByteArray &name) const;
    bool hasHeader(const QByteArray &name) const;
};

// What the fake service answers to one request.
struct FakeReply
{
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    QList<std::pair<QByteArray, QByteArray>> headers;
    std::chrono::milliseconds delay { 0 };
    // Close the connection without any answer. Qt's HTTP client quietly sends
    // a request again (up to twice) when its connection closes before an
    // answer, so a drop that must reach the caller is set as the route's
    // default rather than enqueued once.
    bool dropConnection = false;
    // Send the status and then a chunked body without end, as fast as the
    // client takes it, until the client hangs up or the service stops.
    bool endlessBody = false;

    // A chat-completions answer whose first choice's message holds the text.
    static FakeReply chatCompletion(const QString &content);
    static FakeReply withStatus(int status, const QByteArray &body = {});
    static FakeReply dropped();
    // Status 200 and a body that never ends (endlessBody).
    static FakeReply endless();
    // An answer of the status that sends the client on to the location.
    static FakeReply redirect(int status, const QUrl &location);
};

// A chat-completions service on 127.0.0.1 for tests: plain HTTP or TLS with
// the test certificate authority, on a free port, on a thread of its own.
// Every request is recorded. Answers come from a script per route (method and
// path), served in order; once a route's script is used up its default
// answers: POST /v1/chat/completions a completion, GET /v1/models a model
// list, HEAD / an empty 200; anything else 404.
class FakeAIService
{
public:
    enum class Transport { Plain, Tls };

    explicit FakeAIService(Transport transport = Transport::Plain);
    ~FakeAIService();
    FakeAIService(const FakeAIService &) = delete;
    FakeAIService &operator=(const FakeAIService &) = delete;

    bool isRunning() const { return m_port > 0; }
    int port() const { return m_port; }
    // http://127.0.0.1:<port> or https://127.0.0.1:<port>
    QUrl baseUrl() const;

    void enqueue(const QByteArray &method, const QByteArray &path, const FakeReply &reply);
    void setDefault(const QByteArray &method, const QByteArray &path, const FakeReply &reply);

    QList<RecordedRequest> requests() const;
    QList<RecordedRequest> requests(const QByteArray &method, const QByteArray &path) const;
    // Keeps the Qt event loop running until that many requests have arrived.
    bool waitForRequests(int count, int timeoutMs = 5000) const;
    // How many bytes of endless bodies the clients have taken so far.
    qint64 endlessBytesSent() const { return m_endlessBytesSent; }

private:
    using Route = std::pair<QByteArray, QByteArray>;
    FakeReply replyFor(const RecordedRequest &request);
    void serve(const RecordedRequest &request, int remotePort, void *response);
    void dropConnection(int remotePort) const;

    Transport m_transport;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;

    mutable QMutex m_mutex;
    QList<RecordedRequest> m_requests;
    std::map<Route, std::deque<FakeReply>> m_scripts;
    std::map<Route, FakeReply> m_defaults;

    std::mutex m_stopMutex;
    std::condition_variable m_stopped;
    bool m_stopping = false;
    std::atomic<qint64> m_endlessBytesSent = 0;
};
