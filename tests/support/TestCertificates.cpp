#include "TestCertificates.h"

#include <QSslCertificate>
#include <QSslConfiguration>

namespace TestCertificates {

QString authorityPath()
{
    return QStringLiteral(PEXILO_TEST_CA_DIR "/ca.pem");
}

QString serverCertificatePath()
{
    return QStringLiteral(PEXILO_TEST_CA_DIR "/server.pem");
}

QString serverKeyPath()
{
    return QStringLiteral(PEXILO_TEST_CA_DIR "/server-key.pem");
}

void trustTestAuthority()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    const QList<QSslCertificate> authority = QSslCertificate::fromPath(authorityPath());
    if (!configuration.caCertificates().contains(authority.value(0)))
        configuration.addCaCertificates(authority);
    QSslConfiguration::setDefaultConfiguration(configuration);
}

} // namespace TestCertificates
