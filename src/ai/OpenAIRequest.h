#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The body of a chat-completions request. Every JSON key is the field's name.

struct OpenAIImageURL
{
    // A data URL. Held as bytes: it is ASCII through and through, and a
    // screenshot's is several megabytes, which a detour through UTF-16 would
    // copy twice for every request.
    QByteArray url;
    QString detail;
};

struct OpenAIContent
{
    QString type; // "text" or "image_url"
    std::optional<QString> text; // left out of the JSON when absent
    std::optional<OpenAIImageURL> image_url; // left out of the JSON when absent
};

struct OpenAIMessage
{
    QString role;
    QList<OpenAIContent> content;
};

struct OpenAIRequest
{
    QString model;
    QList<OpenAIMessage> messages;
    qint64 max_tokens = 0;
    double temperature = 0;

    // The one request the client sends: the prompt and the PNG image (as
    // standard base64 text) in one user message for the vision model.
    static OpenAIRequest forImage(const QString &prompt, const QByteArray &base64Png);

    // Compact JSON in UTF-8, the keys of each object in the order of the
    // fields above. It cannot fail.
    QByteArray toJson() const;
};
