#pragma once

#include <QNetworkReply>
#include <QString>

// A transport failure: no answer came back from the server at all. The codes
// are the conventional URL-loading codes, so that a failure reads the same in
// the log whichever network stack produced it.
class URLError
{
public:
    enum Code : int {
        unknown = -1,
        cancelled = -999,
        badURL = -1000,
        timedOut = -1001,
        unsupportedURL = -1002,
        cannotFindHost = -1003,
        cannotConnectToHost = -1004,
        networkConnectionLost = -1005,
        dnsLookupFailed = -1006,
        httpTooManyRedirects = -1007,
        notConnectedToInternet = -1009,
        badServerResponse = -1011,
        dataLengthExceedsMaximum = -1103,
        secureConnectionFailed = -1200,
        serverCertificateUntrusted = -1202,
    };

    explicit URLError(Code code, const QString &host = {})
        : m_code(code)
        , m_host(host)
    { }

    // How Qt's reply errors read as transport failures. Qt reports its own
    // transfer time-out as a cancellation, so the caller says whether it was
    // one; certificateRejected tells a refused certificate from other TLS
    // failures; host is the name the certificate was checked against.
    static URLError fromNetworkError(
        QNetworkReply::NetworkError error, bool timedOut, bool certificateRejected, const QString &host);

    Code code() const { return m_code; }
    // The sentence a user reads for this failure.
    QString localizedDescription() const;
    // The error as a whole, for the log.
    QString textForm() const;

    friend bool operator==(const URLError &a, const URLError &b) { return a.m_code == b.m_code; }

private:
    Code m_code;
    QString m_host;
};
