#pragma once

#include <QSslConfiguration>
#include <QString>

// The certificate authority made for the tests at build time, and the
// server certificate it signed for "api.openai.com", "localhost" and 127.0.0.1.
namespace TestCertificates {

QString authorityPath();
QString serverCertificatePath();
QString serverKeyPath();

// Makes this process's default TLS configuration trust the test authority
// besides the system's, as a client of the fake service must, for as long as
// it lives; then the configuration before it is back, so that later cases in
// the same process do not trust the authority by accident.
class ScopedTrust
{
public:
    ScopedTrust();
    ~ScopedTrust();
    ScopedTrust(const ScopedTrust &) = delete;
    ScopedTrust &operator=(const ScopedTrust &) = delete;

private:
    QSslConfiguration m_saved;
};

} // namespace TestCertificates
