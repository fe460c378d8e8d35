#include "OpenAIRequest.h"

#include <QLocale>

namespace {

void appendEscaped(QByteArray &json, QByteArrayView utf8)
{
    static constexpr char hex[] = "0123456789abcdef";
    json.append('"');
    qsizetype plainFrom = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0x20 && byte != '"' && byte != '\\')
            continue;
        json.append(utf8.sliced(plainFrom, i - plainFrom));
        plainFrom = i + 1;
        switch (byte) {
        case '"':
            json.append("\\\"");
            break;
        case '\\':
            json.append("\\\\");
            break;
        case '\b':
            json.append("\\b");
            break;
        case '\f':
            json.append("\\f");
            break;
        case '\n':
            json.append("\\n");
            break;
        case '\r':
            json.append("\\r");
            break;
        case '\t':
            json.append("\\t");
            break;
        default:
            json.append("\\u00").append(hex[byte >> 4]).append(hex[byte & 0xf]);
        }
    }
    json.append(utf8.sliced(plainFrom));
    json.append('"');
}

void appendEscaped(QByteArray &json, const QString &text)
{
    appendEscaped(json, QByteArrayView(text.toUtf8()));
}

void appendKey(QByteArray &json, const char *key)
{
    json.append('"').append(key).append("\":");
}

void appendContent(QByteArray &json, const OpenAIContent &part)
{
    json.append('{');
    appendKey(json, "type");
    appendEscaped(json, part.type);
    if (part.text) {
        json.append(',');
        appendKey(json, "text");
        appendEscaped(json, *part.text);
    }
    if (part.image_url) {
        json.append(',');
        appendKey(json, "image_url");
        json.append('{');
        appendKey(json, "url");
        appendEscaped(json, QByteArrayView(part.image_url->url));
        json.append(',');
        appendKey(json, "detail");
        appendEscaped(json, part.image_url->detail);
        json.append('}');
    }
    json.append('}');
}

} // namespace

OpenAIRequest OpenAIRequest::forImage(const QString &prompt, const QByteArray &base64Png)
{
    const OpenAIContent textPart { QStringLiteral("text"), prompt, std::nullopt };
    const OpenAIContent imagePart { QStringLiteral("image_url"), std::nullopt,
        OpenAIImageURL { "data:image/png;base64," + base64Png, QStringLiteral("high") } };
    const OpenAIMessage message { QStringLiteral("user"), { textPart, imagePart } };
    return { QStringLiteral("gpt-4o"), { message }, 1000, 0.7 };
}

QByteArray OpenAIRequest::toJson() const
{
    qsizetype imageBytes = 0;
    for (const OpenAIMessage &message : messages) {
        for (const OpenAIContent &part : message.content)
            imageBytes += part.image_url ? part.image_url->url.size() : 0;
    }
    QByteArray json;
    json.reserve(imageBytes + 4096);

    json.append('{');
    appendKey(json, "model");
    appendEscaped(json, model);
    json.append(',');
    appendKey(json, "messages");
    json.append('[');
    for (qsizetype m = 0; m < messages.size(); ++m) {
        if (m > 0)
            json.append(',');
        json.append('{');
        appendKey(json, "role");
        appendEscaped(json, messages[m].role);
        json.append(',');
        appendKey(json, "content");
        json.append('[');
        for (qsizetype c = 0; c < messages[m].content.size(); ++c) {
            if (c > 0)
                json.append(',');
            appendContent(json, messages[m].content[c]);
        }
        json.append("]}");
    }
    json.append("],");
    appendKey(json, "max_tokens");
    json.append(QByteArray::number(max_tokens));
    json.append(',');
    appendKey(json, "temperature");
    json.append(QByteArray::number(temperature, 'g', QLocale::FloatingPointShortest));
    json.append('}');
    return json;
}
