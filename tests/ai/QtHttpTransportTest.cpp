#include "ai/QtHttpTransport.h"

#include "support/FakeAIService.h"
#include "support/TestCertificates.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QTcpServer>

#include <arpa/inet.h>
#include <atomic>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

HttpResult sendOnce(HttpRequest request, HttpSessionConfiguration configuration = {})
{
    QtHttpTransport transport;
    std::unique_ptr<HttpSession> session = transport.createSession(configuration);
    HttpResult result = QCoro::waitFor(session->send(std::move(request)));
    session.reset();
    // Closes the connection now rather than when the service stops.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}

HttpRequest requestTo(const QUrl &base, const QByteArray &method, const QString &path)
{
    HttpRequest request;
    request.method = method;
    request.url = base;
    request.url.setPath(path);
    return request;
}

URLError::Code failureCode(const HttpResult &result)
{
    const auto *failure = std::get_if<URLError>(&result);
    return failure ? failure->code() : URLError::Code(0);
}

} // namespace

TEST(QtHttpTransportTest, AnswersOfAnyStatusArriveAsResponses)
{
    FakeAIService service;
    service.enqueue("POST", "/v1/chat/completions", FakeReply::withStatus(429, R"({"error":"slow"})"));

    HttpRequest post = requestTo(service.baseUrl(), "POST", QStringLiteral("/v1/chat/completions"));
    post.headers.emplaceBack("Content-Type", "application/json");
    post.body = R"({"model":"gpt-4o"})";
    const HttpResult refused = sendOnce(post);
    ASSERT_TRUE(std::holds_alternative<HttpResponse>(refused));
    EXPECT_EQ(std::get<HttpResponse>(refused).statusCode, 429);
    EXPECT_EQ(std::get<HttpResponse>(refused).body, R"({"error":"slow"})");

    const HttpResult head = sendOnce(requestTo(service.baseUrl(), "HEAD", QStringLiteral("/")));
    ASSERT_TRUE(std::holds_alternative<HttpResponse>(head));
    EXPECT_EQ(std::get<HttpResponse>(head).statusCode, 200);

    ASSERT_EQ(service.requests().size(), 2);
    EXPECT_EQ(service.requests()[0].body, R"({"model":"gpt-4o"})");
    EXPECT_EQ(service.requests()[1].method, "HEAD");
}

TEST(QtHttpTransportTest, GoesStraightToTheServerWhateverTheApplicationProxy)
{
    FakeAIService service;
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 1));
    const HttpResult result = sendOnce(requestTo(service.baseUrl(), "GET", QStringLiteral("/v1/models")));
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    ASSERT_TRUE(std::holds_alternative<HttpResponse>(result));
    EXPECT_EQ(std::get<HttpResponse>(result).statusCode, 200);
}

TEST(QtHttpTransportTest, ConnectionFailuresCarryTheirCodes)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QUrl refusing(QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort()));
    closed.close();
    EXPECT_EQ(failureCode(sendOnce(requestTo(refusing, "HEAD", QStringLiteral("/")))),
        URLError::cannotConnectToHost);

    FakeAIService service;
    service.setDefault("POST", "/v1/chat/completions", FakeReply::dropped());
    EXPECT_EQ(
        failureCode(sendOnce(requestTo(service.baseUrl(), "POST", QStringLiteral("/v1/chat/completions")))),
        URLError::networkConnectionLost);
}

TEST(QtHttpTransportTest, SilenceLongerThanTheRequestTimeOutIsATimeOut)
{
    FakeAIService service;
    FakeReply slow = FakeReply::withStatus(200);
    slow.delay = 3s;
    service.setDefault("HEAD", "/", slow);

    HttpRequest probe = requestTo(service.baseUrl(), "HEAD", QStringLiteral("/"));
    probe.timeout = 300ms;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(failureCode(sendOnce(probe)), URLError::timedOut);
    EXPECT_LT(clock.elapsed(), 2000);

    // Without a time-out of its own the request waits as long as the session says.
    probe.timeout = 0ms;
    clock.restart();
    EXPECT_EQ(failureCode(sendOnce(probe, { 300ms, 60s })), URLError::timedOut);
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST(QtHttpTransportTest, ARequestMayNotTakeLongerThanTheSessionAllowsInAll)
{
    FakeAIService service;
    FakeReply slow = FakeReply::withStatus(200);
    slow.delay = 3s;
    service.setDefault("HEAD", "/", slow);

    HttpRequest probe = requestTo(service.baseUrl(), "HEAD", QStringLiteral("/"));
    probe.timeout = 10s;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(failureCode(sendOnce(probe, { 30s, 400ms })), URLError::timedOut);
    EXPECT_LT(clock.elapsed(), 2000);
}

// A server on loopback, on a thread of its own as a real one would be, that
// answers 200 and then sends its body as fast as the client takes it until
// the client hangs up, announcing the length given (none: chunked).
class EndlessBodyServer
{
public:
    explicit EndlessBodyServer(std::optional<qint64> announcedLength = std::nullopt)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), length) != 0
            || ::listen(m_listener, 1) != 0
            || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this, announcedLength] { serve(announcedLength); });
    }

    ~EndlessBodyServer()
    {
        ::shutdown(m_listener, SHUT_RDWR);
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_listener);
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/v1/models").arg(m_port)); }
    // Waits for the client to hang up; how much of the body it was sent.
    qint64 bodyBytesSent()
    {
        ::shutdown(m_listener, SHUT_RDWR);
        if (m_thread.joinable())
            m_thread.join();
        return m_sent;
    }

private:
    void serve(std::optional<qint64> announcedLength)
    {
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            return;
        char request[4096];
        [[maybe_unused]] const ssize_t read = ::recv(client, request, sizeof request, 0);
        QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n";
        head += announcedLength ? "Content-Length: " + QByteArray::number(*announcedLength)
                                : QByteArray("Transfer-Encoding: chunked");
        head += "\r\n\r\n";
        const QByteArray piece(64 * 1024, 'x');
        const QByteArray chunk
            = announcedLength ? piece : QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
        bool sent = ::send(client, head.constData(), size_t(head.size()), MSG_NOSIGNAL) == head.size();
        // Ends at the latest when the client's session has long given up.
        for (int pieces = 0; sent && pieces < 64 * 1024; ++pieces) {
            sent = ::send(client, chunk.constData(), size_t(chunk.size()), MSG_NOSIGNAL) == chunk.size();
            if (sent)
                m_sent += piece.size();
        }
        ::close(client);
    }

    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
    std::atomic<qint64> m_sent = 0;
};

TEST(QtHttpTransportTest, AnAnswerLargerThanTheSessionAcceptsIsRefusedBeforeItFillsTheMemory)
{
    HttpSessionConfiguration configuration;
    configuration.maximumResponseSize = 4 * 1024 * 1024;
    // Long enough for gigabytes to arrive over loopback when nothing stops them.
    configuration.resourceTimeout = 20s;

    EndlessBodyServer endless;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(
        failureCode(sendOnce(requestTo(endless.url(), "GET", QStringLiteral("/v1/models")), configuration)),
        URLError::dataLengthExceedsMaximum);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_LT(endless.bodyBytesSent(), 64 * 1024 * 1024);

    // A length announced beyond the limit is refused as it is announced.
    EndlessBodyServer announced(qint64(1) << 40);
    EXPECT_EQ(
        failureCode(sendOnce(requestTo(announced.url(), "GET", QStringLiteral("/v1/models")), configuration)),
        URLError::dataLengthExceedsMaximum);
    EXPECT_LT(announced.bodyBytesSent(), 64 * 1024 * 1024);

    // Within the limit an answer arrives whole.
    FakeAIService service;
    const QString large(3 * 1024 * 1024, QLatin1Char('a'));
    service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(large));
    const HttpResult accepted = sendOnce(
        requestTo(service.baseUrl(), "POST", QStringLiteral("/v1/chat/completions")), configuration);
    ASSERT_TRUE(std::holds_alternative<HttpResponse>(accepted)) << int(failureCode(accepted));
    EXPECT_GT(std::get<HttpResponse>(accepted).body.size(), large.size());
}

TEST(QtHttpTransportTest, CertificatesAreCheckedAgainstTheNameAsked)
{
    const TestCertificates::ScopedTrust trust;
    FakeAIService service(FakeAIService::Transport::Tls);

    HttpRequest named = requestTo(service.baseUrl(), "POST", QStringLiteral("/v1/chat/completions"));
    named.headers.emplaceBack("Host", "api.openai.com");
    named.peerVerifyName = QStringLiteral("api.openai.com");
    const HttpResult accepted = sendOnce(named);
    ASSERT_TRUE(std::holds_alternative<HttpResponse>(accepted));
    EXPECT_EQ(std::get<HttpResponse>(accepted).statusCode, 200);
    ASSERT_EQ(service.requests().size(), 1);
    EXPECT_EQ(service.requests()[0].header("Host"), "api.openai.com");

    HttpRequest wrongName = named;
    wrongName.peerVerifyName = QStringLiteral("service.invalid");
    const HttpResult refused = sendOnce(wrongName);
    EXPECT_EQ(failureCode(refused), URLError::serverCertificateUntrusted);
    EXPECT_EQ(service.requests().size(), 1);
}

TEST(QtHttpTransportTest, RedirectsAreFollowedOnlyWithinTheOrigin)
{
    FakeAIService service;
    FakeAIService elsewhere; // another port of the same host is another origin
    const auto urlAt = [](const FakeAIService &target, const char *path) {
        QUrl url = target.baseUrl();
        url.setPath(QLatin1String(path));
        return url;
    };
    for (const int status : { 301, 302, 303, 307, 308 }) {
        SCOPED_TRACE(status);
        service.enqueue("POST", "/v1/chat/completions",
            FakeReply::redirect(status, urlAt(elsewhere, "/v1/chat/completions")));
        HttpRequest post = requestTo(service.baseUrl(), "POST", QStringLiteral("/v1/chat/completions"));
        post.body = R"({"secret":"screenshot"})";
        const HttpResult result = sendOnce(post);
        ASSERT_TRUE(std::holds_alternative<HttpResponse>(result)) << int(failureCode(result));
        EXPECT_EQ(std::get<HttpResponse>(result).statusCode, status);
    }
    EXPECT_TRUE(elsewhere.requests().isEmpty());

    service.enqueue("POST", "/v1/chat/completions", FakeReply::redirect(307, urlAt(service, "/v1/moved")));
    service.enqueue("POST", "/v1/moved", FakeReply::chatCompletion(QStringLiteral("moved")));
    const HttpResult followed
        = sendOnce(requestTo(service.baseUrl(), "POST", QStringLiteral("/v1/chat/completions")));
    ASSERT_TRUE(std::holds_alternative<HttpResponse>(followed));
    EXPECT_EQ(std::get<HttpResponse>(followed).statusCode, 200);
}
