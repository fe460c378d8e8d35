#include "ConversationJson.h"

#include "JsonReader.h"
#include "JsonWriter.h"
#include "platform/FreshMemory.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>
#include <vector>

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

// Writes one conversation's object, with or without its screenshot; false
// when a date cannot be written.
bool writeConversation(JsonWriter &writer, const Conversation &conversation, bool withScreenshot = true)
{
    writer.punctuation('{');
    writer.key(QLatin1StringView("id"));
    writer.string(uuidText(conversation.id()));
    writer.punctuation(',');
    writer.key(QLatin1StringView("title"));
    writer.string(conversation.title());
    writer.punctuation(',');
    writer.key(QLatin1StringView("createdAt"));
    if (!writeDate(writer, conversation.createdAt()))
        return false;
    writer.punctuation(',');
    if (withScreenshot && conversation.screenshotData()) {
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
            return false;
        writer.punctuation('}');
    }
    writer.punctuation(']');
    writer.punctuation('}');
    return true;
}

// Calls work(i) for every i below `count`, on this thread and on up to
// `threads - 1` others, each taking the next index as it comes free. The
// conversations are only read meanwhile, which Qt's shared containers allow
// from several threads at once.
template<typename Work> void forEachIndex(qsizetype count, int threads, Work work)
{
    std::atomic<qsizetype> next = 0;
    auto drain = [&] {
        for (qsizetype i = next++; i < count; i = next++)
            work(i);
    };
    std::vector<std::jthread> helpers;
    for (int t = 1; t < threads && t < count; ++t) {
        try {
            helpers.emplace_back(drain);
        } catch (const std::system_error &) {
            break; // this thread does the rest
        }
    }
    drain();
}

// Encoding takes about a millisecond per megabyte of screenshots; a thread
// of its own only pays for itself with a few of those.
int threadsFor(const QList<Conversation> &conversations)
{
    constexpr qsizetype bytesPerThread = 4 * 1024 * 1024;
    qsizetype bytes = 0;
    for (const Conversation &conversation : conversations)
        bytes += conversation.screenshotData() ? conversation.screenshotData()->size() : 0;
    return int(
        std::clamp<qsizetype>(bytes / bytesPerThread, 1, std::max(1u, std::thread::hardware_concurrency())));
}

class ConversationDecoder
{
public:
    explicit ConversationDecoder(QByteArrayView json)
        : m_reader(json)
    { }

    std::optional<Conversation> decodeOne(QString *error)
    {
        std::optional<Conversation> conversation = readConversation(0);
        if (conversation && !m_reader.atEnd())
            m_reader.fail(QStringLiteral("Unexpected text after the conversation"));
        if (!m_reader.failed())
            return conversation;
        if (error)
            *error = m_reader.error();
        return std::nullopt;
    }

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
    // Each conversation's object is measured, then written into its own place
    // in one buffer of the exact size; both steps on several threads.
    const qsizetype count = conversations.size();
    const int threads = threadsFor(conversations);
    constexpr qsizetype undated = -1;
    std::vector<qsizetype> sizes(count);
    forEachIndex(count, threads, [&](qsizetype i) {
        JsonWriter measure = JsonWriter::measuring();
        sizes[i] = writeConversation(measure, conversations.at(i)) ? measure.size() : undated;
    });

    std::vector<qsizetype> offsets(count);
    qsizetype size = 1; // "["
    for (qsizetype i = 0; i < count; ++i) {
        if (sizes[i] == undated) {
            if (error)
                *error = QStringLiteral("The conversation '%1' has a date without a value")
                             .arg(conversations.at(i).title());
            return std::nullopt;
        }
        size += i > 0 ? 1 : 0; // ","
        offsets[i] = size;
        size += sizes[i];
    }
    size += 1; // "]"

    QByteArray text(size, Qt::Uninitialized);
    FreshMemory::prepareForWriting(text.data(), size);
    char *out = text.data();
    out[0] = '[';
    for (qsizetype i = 1; i < count; ++i)
        out[offsets[i] - 1] = ',';
    out[size - 1] = ']';
    std::atomic<bool> asMeasured = true;
    forEachIndex(count, threads, [&](qsizetype i) {
        JsonWriter writer(out + offsets[i], sizes[i]);
        writeConversation(writer, conversations.at(i));
        if (writer.size() != sizes[i])
            asMeasured = false;
    });
    if (!asMeasured) {
        // Only a fault in the writer can get here; never store such a text.
        if (error)
            *error = QStringLiteral("The conversations were not written as they were measured");
        return std::nullopt;
    }
    return text;
}

std::optional<QList<Conversation>> decode(QByteArrayView json, QString *error)
{
    return ConversationDecoder(json).decode(error);
}

std::optional<QByteArray> encodeRecord(const Conversation &conversation, QString *error)
{
    JsonWriter measure = JsonWriter::measuring();
    if (!writeConversation(measure, conversation, false)) {
        if (error)
            *error = QStringLiteral("The conversation '%1' has a date without a value")
                         .arg(conversation.title());
        return std::nullopt;
    }
    QByteArray text(measure.size(), Qt::Uninitialized);
    JsonWriter writer(text.data(), text.size());
    writeConversation(writer, conversation, false);
    if (writer.size() != text.size()) {
        if (error)
            *error = QStringLiteral("The conversation was not written as it was measured");
        return std::nullopt;
    }
    return text;
}

std::optional<Conversation> decodeRecord(
    QByteArrayView record, const std::optional<QByteArray> &screenshot, QString *error)
{
    const std::optional<Conversation> decoded = ConversationDecoder(record).decodeOne(error);
    if (!decoded)
        return std::nullopt;
    return Conversation(decoded->title(), decoded->createdAt(), screenshot, decoded->messages());
}

} // namespace ConversationJson
