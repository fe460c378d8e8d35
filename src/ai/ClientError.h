#pragma once

#include "AIError.h"
#include "URLError.h"

#include <QString>

#include <utility>
#include <variant>

// Any other failure, described by its own text.
struct OtherError
{
    QString localizedDescription;

    friend bool operator==(const OtherError &, const OtherError &) = default;
};

// Whatever can make a request fail: the client's own error, a transport
// failure, or anything else.
using ClientError = std::variant<AIError, URLError, OtherError>;

// A value or the error that took its place. Failures travel as values across
// co_await: a task that throws would never hand its result to a waiting caller.
template<typename T> class Result
{
public:
    Result() = default; // an empty value; QCoro::waitFor needs one to fill in
    Result(T value)
        : m_state(std::in_place_index<0>, std::move(value))
    { }
    Result(ClientError error)
        : m_state(std::in_place_index<1>, std::move(error))
    { }
    Result(AIError error)
        : Result(ClientError(std::move(error)))
    { }
    Result(URLError error)
        : Result(ClientError(std::move(error)))
    { }

    bool hasValue() const { return m_state.index() == 0; }
    explicit operator bool() const { return hasValue(); }
    const T &value() const { return std::get<0>(m_state); }
    const ClientError &error() const { return std::get<1>(m_state); }

private:
    std::variant<T, ClientError> m_state;
};
