#include "ScriptedTransport.h"

#include "ai/QtHttpTransport.h"

namespace {

class ScriptedSession : public HttpSession
{
public:
    ScriptedSession(std::shared_ptr<ScriptedTransport::State> state, std::unique_ptr<HttpSession> network)
        : m_state(std::move(state))
        , m_network(std::move(network))
    { }

    QCoro::Task<HttpResult> send(HttpRequest request) override
    {
        m_state->requests.append(request);
        if (auto script = m_state->scripts.find(request.url);
            script != m_state->scripts.end() && !script->second.empty()) {
            HttpResult outcome = script->second.front();
            script->second.pop_front();
            co_return outcome;
        }
        if (auto always = m_state->always.find(request.url); always != m_state->always.end())
            co_return always->second;
        co_return co_await m_network->send(std::move(request));
    }

private:
    std::shared_ptr<ScriptedTransport::State> m_state;
    std::unique_ptr<HttpSession> m_network;
};

} // namespace

ScriptedTransport::ScriptedTransport()
    : m_state(std::make_shared<State>())
{
    m_state->network = std::make_unique<QtHttpTransport>();
}

void ScriptedTransport::script(const QUrl &url, const HttpResult &outcome)
{
    m_state->scripts[url].push_back(outcome);
}

void ScriptedTransport::scriptAlways(const QUrl &url, const HttpResult &outcome)
{
    m_state->always.insert_or_assign(url, outcome);
}

std::unique_ptr<HttpSession> ScriptedTransport::createSession(const HttpSessionConfiguration &configuration)
{
    m_state->sessions.append(configuration);
    return std::make_unique<ScriptedSession>(m_state, m_state->network->createSession(configuration));
}
