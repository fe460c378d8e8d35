#include "ConversationJson.h"

#include "JsonReader.h"
#include "JsonWriter.h"

#include <cmath>

namespace ConversationJson {

namespace {

// 1 January 2001 00:00:00 UTC in milliseconds since the Unix epoch.
constexpr qint64 referenceDateMsecs = 978307200000;

QString uuidText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

bool writeDate(JsonWriter &writer, const QDateTime &date)
{
    return date.isValid() && writer.number(secondsSinceReferenceDate(date));
}

// Writes the whole list; false when a date cannot be written.
bool writeConversations(JsonWriter &writer, const QList<Conversation> &conversations, QString *error)
{
    auto invalidDate = [error](const QString &title) {
        if (error)
            *error = QStringLiteral("The conversation '%1' has a date without a value").arg(title);
        return false;
    };
    writer.punctuation('[');
    for (qsizetype i = 0; i < conversations.size(); ++i) {
        const Conversation &conversation = conversations.at(i);
        if (i > 0)
            writer.punctuation(',');
        writer.punctuation('{');
        writer.key(QLatin1StringView("id"));
        writer.string(uuidText(conversation.id()));
        writer.punctuation(',');
        writer.key(QLatin1StringView("title"));
        writer.string(conversation.title());
        writer.punctuation(',');
        writer.key(QLatin1StringView("createdAt"));
        if (!writeDate(writer, conversation.createdAt()))
            return invalidDate(conversation.title());
        writer.punctuation(',');
        if (conversation.screenshotData()) {
            writer.key(QLatin1StringView("screenshotData"));
            writer.base64String(*conversation.screenshotData());
            writer.punctuation(',');
        }
        writer.key(QLatin1StringView("messages"));
        writer.punctuation('[');
        for (qsizetype m = 0; m < conversation.messages().size(); ++m) {
            const SavedMessage &message = conversation.messages().at(m);
            if (m > 0)
                writer.punctuation(',');
            writer.punctuation('{');
            writer.key(QLatin1StringView("id"));
            writer.string(uuidText(message.id()));
            writer.punctuation(',');
            writer.key(QLatin1StringView("content"));
            writer.string(message.content());
            writer.punctuation(',');
            writer.key(QLatin1StringView("isUser"));
            writer.boolean(message.isUser());
            writer.punctuation(',');
            writer.key(QLatin1StringView("timestamp"));
            if (!writeDate(writer, message.timestamp()))
                return invalidDate(conversation.title());
            writer.punctuation('}');
        }
        writer.punctuation(']');
        writer.punctuation('}');
    }
    writer.punctuation(']');
    return true;
}

class ConversationDecoder
{
public:
    explicit ConversationDecoder(QByteArrayView json)
        : m_reader(json)
    { }

    std::optional<QList<Conversation>> decode(QString *error)
    {
        std::optional<QList<Conversation>> conversations = readList();
        if (conversations && !m_reader.atEnd())
            m_reader.fail(QStringLiteral("Unexpected text after the array"));
        if (!m_reader.failed())
            return conversations;
        if (error)
            *error = m_reader.error();
        return std::nullopt;
    }

private:
    std::optional<QList<Conversation>> readList()
    {
        if (m_reader.peek() != JsonReader::Kind::Array) {
            m_reader.fail(QStringLiteral("The saved conversations are not a JSON array"));
            return std::nullopt;
        }
        m_reader.expect('[');
        QList<Conversation> conversations;
        if (m_reader.consume(']'))
            return conversations;
        do {
            std::optional<Conversation> conversation = readConversation(conversations.size());
            if (!conversation)
                return std::nullopt;
            conversations.append(std::move(*conversation));
        } while (m_reader.consume(','));
        if (!m_reader.expect(']'))
            return std::nullopt;
        return conversations;
    }

    std::optional<Conversation> readConversation(qsizetype index)
    {
        const QString where = QStringLiteral("conversation %1").arg(index);
        if (!expectKind(JsonReader::Kind::Object, where))
            return std::nullopt;
        m_reader.expect('{');
        std::optional<QString> title;
        std::optional<QDateTime> createdAt;
        std::optional<QByteArray> screenshotData;
        std::optional<QList<SavedMessage>> messages;
        const bool complete = readMembers([&](const QString &key) {
            if (key == QLatin1String("title"))
                return readString(title, key, where);
            if (key == QLatin1String("createdAt"))
                return readDate(createdAt, key, where);
            if (key == QLatin1String("screenshotData")) {
                if (m_reader.peek() == JsonReader::Kind::Null) {
                    screenshotData.reset();
                    return m_reader.readNull();
                }
                if (!expectKind(JsonReader::Kind::String, where, key))
                    return false;
                screenshotData = m_reader.readBase64String();
                return screenshotData.has_value();
            }
            if (key == QLatin1String("messages")) {
                messages = readMessages(where);
                return messages.has_value();
            }
            return m_reader.skipValue();
        });
        if (!complete || !present(title, "title", where) || !present(createdAt, "createdAt", where)
            || !present(messages, "messages", where))
            return std::nullopt;
        return Conversation(*title, *createdAt, screenshotData, *messages);
    }

    std::optional<QList<SavedMessage>> readMessages(const QString &conversation)
    {
        if (!expectKind(JsonReader::Kind::Array, conversation, QStringLiteral("messages")))
            return std::nullopt;
        m_reader.expect('[');
        QList<SavedMessage> messages;
        if (m_reader.consume(']'))
            return messages;
        do {
            const QString where = QStringLiteral("%1, message %2").arg(conversation).arg(messages.size());
            if (!expectKind(JsonReader::Kind::Object, where))
                return std::nullopt;
            m_reader.expect('{');
            std::optional<QString> content;
            std::optional<bool> isUser;
            std::optional<QDateTime> timestamp;
            const bool complete = readMembers([&](const QString &key) {
                if (key == QLatin1String("content"))
                    return readString(content, key, where);
                if (key == QLatin1String("isUser")) {
                    if (!expectKind(JsonReader::Kind::Boolean, where, key))
                        return false;
                    isUser = m_reader.readBoolean();
                    return isUser.has_value();
                }
                if (key == QLatin1String("timestamp"))
                    return readDate(timestamp, key, where);
                return m_reader.skipValue();
            });
            if (!complete || !present(content, "content", where) || !present(isUser, "isUser", where)
                || !present(timestamp, "timestamp", where))
                return std::nullopt;
            messages.append(SavedMessage(*content, *isUser, *timestamp));
        } while (m_reader.consume(','));
        if (!m_reader.expect(']'))
            return std::nullopt;
        return messages;
    }

    // Reads the members of an object whose "{" has been read, handing each
    // key to `readValue`, up to and including the closing "}".
    template<typename ReadValue> bool readMembers(ReadValue readValue)
    {
        if (m_reader.consume('}'))
            return true;
        do {
            if (m_reader.peek() != JsonReader::Kind::String) {
                m_reader.fail(QStringLiteral("Expected a member name"));
                return false;
            }
            const std::optional<QString> key = m_reader.readString();
            if (!key || !m_reader.expect(':') || !readValue(*key))
                return false;
        } while (m_reader.consume(','));
        return m_reader.expect('}');
    }

    bool readString(std::optional<QString> &value, const QString &key, const QString &where)
    {
        if (!expectKind(JsonReader::Kind::String, where, key))
            return false;
        value = m_reader.readString();
        return value.has_value();
    }

    bool readDate(std::optional<QDateTime> &value, const QString &key, const QString &where)
    {
        if (!expectKind(JsonReader::Kind::Number, where, key))
            return false;
        const std::optional<double> seconds = m_reader.readNumber();
        if (!seconds)
            return false;
        value = dateFromSecondsSinceReferenceDate(*seconds);
        if (!value)
            m_reader.fail(QStringLiteral("The date \"%1\" of %2 is out of range").arg(key, where));
        return value.has_value();
    }

    bool expectKind(JsonReader::Kind kind, const QString &where, const QString &key = {})
    {
        if (m_reader.peek() == kind)
            return true;
        static const char *const names[]
            = { "the end", "an object", "an array", "a string", "a number", "true or false", "null", "" };
        const QString subject = key.isEmpty() ? where : QStringLiteral("\"%1\" of %2").arg(key, where);
        m_reader.fail(QStringLiteral("Expected %1 for %2").arg(QLatin1String(names[int(kind)]), subject));
        return false;
    }

    template<typename T> bool present(const std::optional<T> &value, const char *key, const QString &where)
    {
        if (!value)
            m_reader.fail(QStringLiteral("Missing \"%1\" in %2").arg(QLatin1String(key), where));
        return value.has_value();
    }

    JsonReader m_reader;
};

} // namespace

double secondsSinceReferenceDate(const QDateTime &date)
{
    return double(date.toMSecsSinceEpoch() - referenceDateMsecs) / 1000.0;
}

std::optional<QDateTime> dateFromSecondsSinceReferenceDate(double seconds)
{
    // Dates are held to the millisecond; about ±285 000 years fit.
    constexpr double limit = 9.0e12;
    if (!std::isfinite(seconds) || std::abs(seconds) > limit)
        return std::nullopt;
    const QDateTime date
        = QDateTime::fromMSecsSinceEpoch(referenceDateMsecs + std::llround(seconds * 1000.0), Qt::UTC);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QByteArray> encode(const QList<Conversation> &conversations, QString *error)
{
    JsonWriter measure = JsonWriter::measuring();
    if (!writeConversations(measure, conversations, error))
        return std::nullopt;
    JsonWriter writer(measure.size());
    writeConversations(writer, conversations, nullptr);
    Q_ASSERT(writer.size() == measure.size());
    return writer.takeText();
}

std::optional<QList<Conversation>> decode(QByteArrayView json, QString *error)
{
    return ConversationDecoder(json).decode(error);
}

} // namespace ConversationJson
