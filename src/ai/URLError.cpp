#include "URLError.h"

URLError URLError::fromNetworkError(
    QNetworkReply::NetworkError error, bool timedOut, bool certificateRejected, const QString &host)
{
    switch (error) {
    case QNetworkReply::OperationCanceledError:
        return URLError(timedOut ? URLError::timedOut : cancelled, host);
    case QNetworkReply::TimeoutError:
        return URLError(URLError::timedOut, host);
    case QNetworkReply::HostNotFoundError:
        return URLError(cannotFindHost, host);
    case QNetworkReply::ConnectionRefusedError:
        return URLError(cannotConnectToHost, host);
    case QNetworkReply::RemoteHostClosedError:
        return URLError(networkConnectionLost, host);
    case QNetworkReply::SslHandshakeFailedError:
        return URLError(certificateRejected ? serverCertificateUntrusted : secureConnectionFailed, host);
    // Qt files an unreachable network ("Network unreachable", no route) under
    // its unknown network error.
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
        return URLError(notConnectedToInternet, host);
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return URLError(httpTooManyRedirects, host);
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::UnknownProxyError:
        return URLError(cannotConnectToHost, host);
    case QNetworkReply::ProtocolUnknownError:
        return URLError(unsupportedURL, host);
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::ProtocolFailure:
    case QNetworkReply::UnknownServerError:
        return URLError(badServerResponse, host);
    default:
        return URLError(unknown, host);
    }
}

QString URLError::localizedDescription() const
{
    switch (m_code) {
    case cancelled:
        return QStringLiteral("cancelled");
    case badURL:
        return QStringLiteral("bad URL");
    case timedOut:
        return QStringLiteral("The request timed out.");
    case unsupportedURL:
        return QStringLiteral("unsupported URL");
    case cannotFindHost:
        return QStringLiteral("A server with the specified hostname could not be found.");
    case cannotConnectToHost:
        return QStringLiteral("Could not connect to the server.");
    case networkConnectionLost:
        return QStringLiteral("The network connection was lost.");
    case dnsLookupFailed:
        return QStringLiteral("The DNS lookup failed.");
    case httpTooManyRedirects:
        return QStringLiteral("too many HTTP redirects");
    case notConnectedToInternet:
        return QStringLiteral("The Internet connection appears to be offline.");
    case badServerResponse:
        return QStringLiteral("The server returned a bad response.");
    case dataLengthExceedsMaximum:
        return QStringLiteral("resource exceeds maximum size");
    case secureConnectionFailed:
        return QStringLiteral(
            "An SSL error has occurred and a secure connection to the server cannot be made.");
    case serverCertificateUntrusted:
        return QStringLiteral("The certificate for this server is invalid. You might be connecting to a "
                              "server that is pretending to be “%1” which could put your confidential "
                              "information at risk.")
            .arg(m_host);
    case unknown:
        break;
    }
    return QStringLiteral("An unknown error occurred.");
}

QString URLError::textForm() const
{
    return QStringLiteral("URLError(code: %1, \"%2\")").arg(int(m_code)).arg(localizedDescription());
}
