#include "QtHttpTransport.h"

#include <QCoro/QCoroNetworkReply>
#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

#include <utility>

namespace {

// How much of a body Qt may hold before it is taken out.
constexpr qint64 readWindow = 256 * 1024;

// Ends a reply that makes no progress for too long, takes too long as a
// whole or brings a larger body than it may, and remembers why: Qt reports
// such an abort as a plain cancellation. Lives as a child of the reply.
class ReplyWatch : public QObject
{
public:
    ReplyWatch(QNetworkReply *reply, std::chrono::milliseconds idleLimit,
        std::chrono::milliseconds totalLimit, qint64 sizeLimit)
        : QObject(reply)
        , m_reply(reply)
        , m_sizeLimit(sizeLimit)
    {
        m_idle.setSingleShot(true);
        m_idle.setInterval(idleLimit);
        m_total.setSingleShot(true);
        m_total.setInterval(totalLimit);
        const auto expire = [this] {
            m_timedOut = true;
            m_reply->abort();
        };
        connect(&m_idle, &QTimer::timeout, this, expire);
        connect(&m_total, &QTimer::timeout, this, expire);
        const auto progress = [this] { m_idle.start(); };
        connect(reply, &QNetworkReply::uploadProgress, this, progress);
        connect(reply, &QNetworkReply::downloadProgress, this, progress);
        connect(reply, &QNetworkReply::metaDataChanged, this, progress);

        // Qt's HTTP thread reads a body as fast as it arrives and queues it
        // for this thread, which sees it only once the queue runs dry: a body
        // without end, sent faster than this thread takes it, would pile up
        // without bound. A read window makes that thread wait until what it
        // handed over has been taken out. Qt hands the window on only to a
        // request that is already on its way, which a request with a body
        // (and each redirect) is only later: it is set again as the request
        // goes out and as each answer begins.
        const auto keepWindow = [this] { m_reply->setReadBufferSize(readWindow); };
        keepWindow();
        connect(reply, &QNetworkReply::socketStartedConnecting, this, keepWindow);
        connect(reply, &QNetworkReply::requestSent, this, keepWindow);
        connect(reply, &QNetworkReply::metaDataChanged, this, keepWindow);

        // The body is taken out as it arrives, and the reply is refused as
        // soon as what has arrived, or the length it announces, passes the
        // limit.
        connect(reply, &QNetworkReply::metaDataChanged, this, [this] {
            const QVariant announced = m_reply->header(QNetworkRequest::ContentLengthHeader);
            if (announced.isValid() && announced.toLongLong() > m_sizeLimit)
                refuse();
        });
        connect(reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
            if (received > m_sizeLimit)
                refuse();
        });
        connect(reply, &QNetworkReply::readyRead, this, [this] {
            if (m_tooLarge)
                return;
            const qint64 needed = m_body.size() + m_reply->bytesAvailable();
            if (needed > m_sizeLimit) {
                refuse();
                return;
            }
            // Grown as an array grows, but never past the limit: a body of
            // the limit's size would otherwise take twice that.
            if (needed > m_body.capacity())
                m_body.reserve(qMin(m_sizeLimit, qMax(needed, 2 * qint64(m_body.capacity()))));
            m_body += m_reply->readAll();
        });
        connect(reply, &QNetworkReply::sslErrors, this, [this] { m_certificateRejected = true; });
        connect(reply, &QNetworkReply::finished, this, [this] {
            m_idle.stop();
            m_total.stop();
        });
        m_idle.start();
        m_total.start();
    }

    bool timedOut() const { return m_timedOut; }
    bool certificateRejected() const { return m_certificateRejected; }
    bool tooLarge() const { return m_tooLarge; }
    // What has arrived of the body, taken out of the reply.
    QByteArray takeBody() { return std::exchange(m_body, {}); }

private:
    void refuse()
    {
        if (std::exchange(m_tooLarge, true))
            return;
        m_body = QByteArray();
        m_reply->abort();
    }

    QNetworkReply *m_reply;
    qint64 m_sizeLimit;
    QTimer m_idle;
    QTimer m_total;
    bool m_timedOut = false;
    bool m_certificateRejected = false;
    bool m_tooLarge = false;
    QByteArray m_body;
};

bool isTransportFailure(QNetworkReply::NetworkError error)
{
    // Qt numbers connection and proxy failures below 200; above are the
    // errors it derives from an HTTP answer that did arrive.
    return error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool sameOrigin(const QUrl &a, const QUrl &b)
{
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0
        && a.host().compare(b.host(), Qt::CaseInsensitive) == 0
        && a.port(a.scheme() == QLatin1String("https") ? 443 : 80)
        == b.port(b.scheme() == QLatin1String("https") ? 443 : 80);
}

class QtHttpSession : public HttpSession
{
public:
    explicit QtHttpSession(const HttpSessionConfiguration &configuration)
        : m_configuration(configuration)
        , m_manager(new QNetworkAccessManager)
    {
        m_manager->setProxy(QNetworkProxy::NoProxy);
        // Redirects are followed here, within the origin and only a few
        // times: the key and the screenshot go only where they were sent, and
        // each redirect that keeps the method sends the screenshot again.
        m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    }

    ~QtHttpSession() override
    {
        // The last reply may still be delivering its finished signal to the
        // coroutine that ends this session; let it return first.
        m_manager->deleteLater();
    }

    QCoro::Task<HttpResult> send(HttpRequest request) override
    {
        const QDeadlineTimer deadline(m_configuration.resourceTimeout);
        for (int redirects = 0;; ++redirects) {
            QUrl location;
            HttpResult result = co_await sendOnce(request, deadline, &location);
            const auto *response = std::get_if<HttpResponse>(&result);
            // A redirect to another origin is not followed: what arrived is
            // the answer, with its status.
            if (!response || !response->statusCode || !isRedirect(*response->statusCode)
                || !location.isValid() || !sameOrigin(location, request.url))
                co_return result;
            if (redirects == m_configuration.maximumRedirects) {
                co_return URLError(URLError::httpTooManyRedirects,
                    request.peerVerifyName.isEmpty() ? request.url.host() : request.peerVerifyName);
            }
            request.url = location;
            // As a browser does: 307 and 308 repeat the request, the others
            // ask for the new place with GET.
            if (*response->statusCode != 307 && *response->statusCode != 308 && request.method != "HEAD") {
                request.method = "GET";
                request.body.clear();
                request.headers.removeIf([](const auto &header) {
                    return header.first.compare("Content-Type", Qt::CaseInsensitive) == 0;
                });
            }
        }
    }

private:
    // One exchange; `location` is where a redirect sends the request.
    QCoro::Task<HttpResult> sendOnce(HttpRequest request, QDeadlineTimer deadline, QUrl *location)
    {
        QNetworkRequest networkRequest(request.url);
        // The body is counted as it comes over the wire: one that Qt would
        // unpack could grow far past the limit from a few bytes.
        networkRequest.setRawHeader("Accept-Encoding", "identity");
        for (const auto &[name, value] : request.headers)
            networkRequest.setRawHeader(name, value);
        if (!request.peerVerifyName.isEmpty())
            networkRequest.setPeerVerifyName(request.peerVerifyName);
        // Over HTTP/2 the server's name travels in a pseudo-header of its own,
        // not in a "Host" line; a request that names its host must go out as
        // HTTP/1.1 for the name to arrive.
        if (!request.header("Host").isEmpty())
            networkRequest.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);

        QNetworkReply *reply = nullptr;
        if (request.method == "GET")
            reply = m_manager->get(networkRequest);
        else if (request.method == "HEAD")
            reply = m_manager->head(networkRequest);
        else
            reply = m_manager->sendCustomRequest(networkRequest, request.method, request.body);

        const auto idleLimit = request.timeout.count() > 0 ? request.timeout : m_configuration.requestTimeout;
        const auto totalLimit = std::chrono::milliseconds(qMax<qint64>(1, deadline.remainingTime()));
        const QPointer<ReplyWatch> watch
            = new ReplyWatch(reply, idleLimit, totalLimit, m_configuration.maximumResponseSize);

        co_await reply;

        const QNetworkReply::NetworkError error = reply->error();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        HttpResult result = HttpResponse {};
        const QString host = request.peerVerifyName.isEmpty() ? request.url.host() : request.peerVerifyName;
        if (watch && watch->tooLarge()) {
            result = URLError(URLError::dataLengthExceedsMaximum, host);
        } else if (isTransportFailure(error) || (error != QNetworkReply::NoError && !status.isValid())) {
            result = URLError::fromNetworkError(
                error, watch && watch->timedOut(), watch && watch->certificateRejected(), host);
        } else {
            QByteArray body = watch ? watch->takeBody() : QByteArray();
            body += reply->readAll();
            result = HttpResponse { status.isValid() ? std::optional<int>(status.toInt()) : std::nullopt,
                std::move(body) };
            const QByteArray target = reply->rawHeader("Location");
            if (!target.isEmpty())
                *location = request.url.resolved(QUrl::fromEncoded(target));
        }
        reply->deleteLater();
        co_return result;
    }

    HttpSessionConfiguration m_configuration;
    QNetworkAccessManager *m_manager;
};

} // namespace

std::unique_ptr<HttpSession> QtHttpTransport::createSession(const HttpSessionConfiguration &configuration)
{
    return std::make_unique<QtHttpSession>(configuration);
}
