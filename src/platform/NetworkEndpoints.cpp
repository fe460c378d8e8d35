#include "NetworkEndpoints.h"

#include <QStringList>
#include <QUrlQuery>

namespace NetworkEndpoints {

namespace {
QUrl baseFromEnvironment(const char *variable, const char *fallback)
{
    const QString value = qEnvironmentVariable(variable).trimmed();
    const QString base = value.isEmpty() ? QString::fromLatin1(fallback) : value;
    return QUrl(base.endsWith(QLatin1Char('/')) ? base.chopped(1) : base);
}

QUrl withPath(QUrl base, const char *path)
{
    // QUrl::setPath would quietly make an unparsable base valid again (a bad
    // port becomes the default one): keep it invalid so that it is refused.
    if (!base.isValid())
        return base;
    base.setPath(base.path() + QLatin1String(path));
    return base;
}
} // namespace

QUrl mailLink(const char *address, const QString &subject)
{
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(QString::fromLatin1(address));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), subject);
    url.setQuery(query);
    return url;
}

QUrl supportMailUrl()
{
    return mailLink(supportMail, QStringLiteral("Pexilo Support"));
}

QUrl privacyPageUrl()
{
    return QUrl(QString::fromLatin1(privacyPage));
}

QUrl apiBase()
{
    return baseFromEnvironment("PEXILO_API_BASE", serviceBase);
}

QUrl apiFallbackBase()
{
    return baseFromEnvironment("PEXILO_API_FALLBACK_BASE", fallbackBase);
}

QUrl chatCompletionsUrl()
{
    return withPath(apiBase(), chatCompletionsPath);
}

QUrl chatCompletionsFallbackUrl()
{
    return withPath(apiFallbackBase(), chatCompletionsPath);
}

QUrl modelsUrl()
{
    return withPath(apiBase(), modelsPath);
}

QList<QUrl> probeUrls()
{
    const QString value = qEnvironmentVariable("PEXILO_PROBE_URLS").trimmed();
    if (value.isEmpty())
        return { QUrl(QLatin1String(probeUrl1)), QUrl(QLatin1String(probeUrl2)),
            QUrl(QLatin1String(probeUrl3)) };
    QList<QUrl> urls;
    for (const QString &part : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
        urls.append(QUrl(part.trimmed()));
    return urls;
}

QList<QUrl> allContactedUrls()
{
    QList<QUrl> urls { chatCompletionsUrl(), chatCompletionsFallbackUrl(), modelsUrl() };
    urls.append(probeUrls());
    return urls;
}

} // namespace NetworkEndpoints
