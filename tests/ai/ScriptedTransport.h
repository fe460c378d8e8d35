#pragma once

#include "ai/HttpTransport.h"

#include <QList>
#include <QUrl>

#include <deque>
#include <map>
#include <memory>

// A transport for tests: requests to a scripted URL get the scripted outcome
// (any transport failure, or an answer) without touching the network; all
// others go out through Qt Network. Every request and every session's
// configuration is recorded.
class ScriptedTransport : public HttpTransport
{
public:
    ScriptedTransport();

    // The next request to the URL gets this outcome, in the order scripted.
    void script(const QUrl &url, const HttpResult &outcome);
    // Every request to the URL gets this outcome once its script is used up.
    void scriptAlways(const QUrl &url, const HttpResult &outcome);

    QList<HttpRequest> requests() const { return m_state->requests; }
    QList<HttpSessionConfiguration> sessions() const { return m_state->sessions; }

    std::unique_ptr<HttpSession> createSession(const HttpSessionConfiguration &configuration) override;

    struct State
    {
        std::map<QUrl, std::deque<HttpResult>> scripts;
        std::map<QUrl, HttpResult> always;
        QList<HttpRequest> requests;
        QList<HttpSessionConfiguration> sessions;
        std::unique_ptr<HttpTransport> network;
    };

private:
    std::shared_ptr<State> m_state;
};
