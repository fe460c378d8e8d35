#pragma once

#include "URLError.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>
#include <variant>

// What the AI client needs of HTTP: sessions that send one request at a time
// and hand back the answer or the transport failure as a value. The client
// talks to this interface only, so that a test can script any failure
// (host-not-found included, without a name server) and pass everything else
// on to the real network.

struct HttpRequest
{
    QByteArray method = "GET";
    QUrl url;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // The longest wait for any progress; zero takes the session's.
    std::chrono::milliseconds timeout { 0 };
    // The name the server's certificate must carry; empty: the URL's host.
    QString peerVerifyName;

    QByteArray header(const QByteArray &name) const;
};

struct HttpResponse
{
    std::optional<int> statusCode; // absent when the answer is not HTTP at all
    QByteArray body;
};

using HttpResult = std::variant<HttpResponse, URLError>;

struct HttpSessionConfiguration
{
    // How long a request may wait for progress when it sets no time-out.
    std::chrono::milliseconds requestTimeout { 30'000 };
    // How long a request may take as a whole.
    std::chrono::milliseconds resourceTimeout { 60'000 };
    // The most bytes an answer's body may hold. A service that sends more, or
    // sends without end, is cut off rather than held in memory: an answer
    // of the service is a few kilobytes.
    qint64 maximumResponseSize = 32 * 1024 * 1024;
    // The most redirects (within the origin) a request follows before it
    // fails: each one that keeps the method sends the body, the screenshot,
    // once more.
    int maximumRedirects = 3;
};

class HttpSession
{
public:
    virtual ~HttpSession() = default;
    // Never fails: a transport failure comes back as the result.
    virtual QCoro::Task<HttpResult> send(HttpRequest request) = 0;
};

class HttpTransport
{
public:
    virtual ~HttpTransport() = default;
    virtual std::unique_ptr<HttpSession> createSession(const HttpSessionConfiguration &configuration) = 0;
};
