#include "AIError.h"

QString AIError::errorDescription() const
{
    switch (m_case) {
    case Case::apiError:
    case Case::networkError:
        return m_message;
    case Case::invalidURL:
        return QStringLiteral("Invalid API URL");
    case Case::invalidResponse:
        return QStringLiteral("Invalid API response");
    case Case::noResponse:
        return QStringLiteral("No response from API");
    case Case::noAPIKey:
        return QStringLiteral("OpenAI API key not configured");
    }
    return {};
}

QString AIError::rendering() const
{
    switch (m_case) {
    case Case::apiError:
        return QStringLiteral("apiError(\"%1\")").arg(m_message);
    case Case::networkError:
        return QStringLiteral("networkError(\"%1\")").arg(m_message);
    case Case::invalidURL:
        return QStringLiteral("invalidURL");
    case Case::invalidResponse:
        return QStringLiteral("invalidResponse");
    case Case::noResponse:
        return QStringLiteral("noResponse");
    case Case::noAPIKey:
        return QStringLiteral("noAPIKey");
    }
    return {};
}
