#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <variant>

// The part of a chat-completions answer that the client reads; every other
// key, at any level, is ignored.

struct OpenAIResponseMessage
{
    QString content;
};

struct OpenAIChoice
{
    OpenAIResponseMessage message;
};

// Why an answer's body did not decode, in words for the log.
struct DecodingError
{
    QString rendering;
};

struct OpenAIResponse
{
    QList<OpenAIChoice> choices;

    // Decodes the whole body: it fails as a whole when it is not a JSON
    // object with a "choices" array in which every element has a "message"
    // object whose "content" is a string (null is not one).
    static std::variant<OpenAIResponse, DecodingError> decode(const QByteArray &body);
};
