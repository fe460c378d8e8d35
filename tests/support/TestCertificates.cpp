#include "TestCertificates.h"

#include <QSslCertificate>

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

ScopedTrust::ScopedTrust()
    : m_saved(QSslConfiguration::defaultConfiguration())
{
    QSslConfiguration configuration = m_saved;
    const QList<QSslCertificate> authority = QSslCertificate::fromPath(authorityPath());
    if (!configuration.caCertificates().contains(authority.value(0)))
        configuration.addCaCertificates(authority);
    QSslConfiguration::setDefaultConfiguration(configuration);
}

ScopedTrust::~ScopedTrust()
{
    QSslConfiguration::setDefaultConfiguration(m_saved);
}

} // namespace TestCertificates
