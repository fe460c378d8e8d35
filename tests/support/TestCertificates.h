#pragma once

#include <QString>

// The certificate authority made for the tests at build time, and the
// server certificate it signed for "api.openai.com", "localhost" and 127.0.0.1.
namespace TestCertificates {

QString authorityPath();
QString serverCertificatePath();
QString serverKeyPath();

// Makes this process's default TLS configuration trust the test authority
// besides the system's, as a client of the fake service must.
void trustTestAuthority();

} // namespace TestCertificates
