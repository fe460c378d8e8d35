#include "OpenAIResponse.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

namespace {

QString typeName(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("a Boolean");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::String:
        return QStringLiteral("a string");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("a dictionary");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nothing");
}

DecodingError keyNotFound(const QString &path, const QString &key)
{
    return {
        QStringLiteral("keyNotFound(\"%1\") at %2: No value associated with key \"%1\".").arg(key, path)
    };
}

DecodingError typeMismatch(const QString &path, const QString &expected, const QJsonValue &found)
{
    const QString kind = found.isNull() ? QStringLiteral("valueNotFound") : QStringLiteral("typeMismatch");
    return { QStringLiteral("%1 at %2: Expected to decode %3 but found %4 instead.")
                 .arg(kind, path, expected, typeName(found)) };
}

} // namespace

std::variant<OpenAIResponse, DecodingError> OpenAIResponse::decode(const QByteArray &body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return DecodingError { QStringLiteral(
            "dataCorrupted: The given data was not valid JSON. (%1 at offset %2)")
                                   .arg(parseError.errorString())
                                   .arg(parseError.offset) };
    }
    if (!document.isObject()) {
        return typeMismatch(QStringLiteral("the top level"), QStringLiteral("a dictionary"),
            document.isArray() ? QJsonValue(document.array()) : QJsonValue());
    }

    const QJsonObject top = document.object();
    if (!top.contains(QLatin1String("choices")))
        return keyNotFound(QStringLiteral("the top level"), QStringLiteral("choices"));
    const QJsonValue choicesValue = top.value(QLatin1String("choices"));
    if (!choicesValue.isArray())
        return typeMismatch(QStringLiteral("choices"), QStringLiteral("an array"), choicesValue);

    OpenAIResponse response;
    const QJsonArray choices = choicesValue.toArray();
    for (qsizetype i = 0; i < choices.size(); ++i) {
        const QString path = QStringLiteral("choices[%1]").arg(i);
        const QJsonValue choice = choices.at(i);
        if (!choice.isObject())
            return typeMismatch(path, QStringLiteral("a dictionary"), choice);
        if (!choice.toObject().contains(QLatin1String("message")))
            return keyNotFound(path, QStringLiteral("message"));
        const QJsonValue message = choice.toObject().value(QLatin1String("message"));
        if (!message.isObject())
            return typeMismatch(path + QLatin1String(".message"), QStringLiteral("a dictionary"), message);
        if (!message.toObject().contains(QLatin1String("content")))
            return keyNotFound(path + QLatin1String(".message"), QStringLiteral("content"));
        const QJsonValue content = message.toObject().value(QLatin1String("content"));
        if (!content.isString())
            return typeMismatch(
                path + QLatin1String(".message.content"), QStringLiteral("a string"), content);
        response.choices.append(OpenAIChoice { OpenAIResponseMessage { content.toString() } });
    }
    return response;
}
