#pragma once

#include <QString>

// The AI client's own failures, each with the text that describes it.
class AIError
{
public:
    enum class Case { apiError, networkError, invalidURL, invalidResponse, noResponse, noAPIKey };

    static AIError apiError(const QString &message) { return AIError(Case::apiError, message); }
    static AIError networkError(const QString &message) { return AIError(Case::networkError, message); }
    static AIError invalidURL() { return AIError(Case::invalidURL); }
    static AIError invalidResponse() { return AIError(Case::invalidResponse); }
    static AIError noResponse() { return AIError(Case::noResponse); }
    static AIError noAPIKey() { return AIError(Case::noAPIKey); }

    Case errorCase() const { return m_case; }
    // The message that apiError and networkError carry; empty for the others.
    const QString &message() const { return m_message; }

    // What the user reads: the carried message, or the case's fixed text.
    QString errorDescription() const;
    // For the log: the case name, with the carried message as ("...").
    QString rendering() const;

    friend bool operator==(const AIError &, const AIError &) = default;

private:
    explicit AIError(Case errorCase, const QString &message = {})
        : m_case(errorCase)
        , m_message(message)
    { }

    Case m_case;
    QString m_message;
};
