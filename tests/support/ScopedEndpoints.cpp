#include "ScopedEndpoints.h"

#include <QStringList>

namespace {
constexpr std::array<const char *, 3> variables
    = { "PEXILO_API_BASE", "PEXILO_API_FALLBACK_BASE", "PEXILO_PROBE_URLS" };
}

ScopedEndpoints::ScopedEndpoints(const QUrl &apiBase, const QUrl &fallbackBase, const QList<QUrl> &probes)
{
    for (size_t i = 0; i < variables.size(); ++i)
        m_saved[i] = qgetenv(variables[i]);
    set(apiBase, fallbackBase, probes);
}

ScopedEndpoints::~ScopedEndpoints()
{
    for (size_t i = 0; i < variables.size(); ++i)
        qputenv(variables[i], m_saved[i]);
}

void ScopedEndpoints::set(const QUrl &apiBase, const QUrl &fallbackBase, const QList<QUrl> &probes)
{
    QStringList probeTexts;
    for (const QUrl &probe : probes)
        probeTexts.append(probe.toString());
    qputenv(variables[0], apiBase.toString().toUtf8());
    qputenv(variables[1], fallbackBase.toString().toUtf8());
    qputenv(variables[2], probeTexts.join(QLatin1Char(',')).toUtf8());
}
