#include "store/ConversationJson.h"

#include "store/JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

// 1 January 2001 00:00:00 UTC.
const QDateTime referenceDate(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);

QString upperUuid(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QList<Conversation> decoded(const QByteArray &json)
{
    QString error;
    const std::optional<QList<Conversation>> conversations = ConversationJson::decode(json, &error);
    EXPECT_TRUE(conversations.has_value()) << error.toStdString() << "\n" << json.toStdString();
    return conversations.value_or(QList<Conversation>());
}

} // namespace

TEST(ConversationJsonTest, WritesCompactTextInMemberOrderWithEscapedSolidus)
{
    const QDateTime created = referenceDate.addMSecs(726000000123);
    const QDateTime answered = referenceDate.addMSecs(-1500);
    const Conversation withImage(QStringLiteral("What is a/b \"here\"?\n"), created,
        QByteArray("\xff\xff\xff\x00\x10", 5),
        { SavedMessage(QStringLiteral("Tab\there \\ é 👍🏽"), true, answered),
            SavedMessage(QStringLiteral("\x01"), false, answered) });
    const Conversation withoutImage(QString(), referenceDate, std::nullopt, {});

    const std::optional<QByteArray> json = ConversationJson::encode({ withImage, withoutImage });
    ASSERT_TRUE(json.has_value());

    const QString expected
        = QStringLiteral(R"([{"id":"%1","title":"What is a\/b \"here\"?\n","createdAt":726000000.123,)"
                         R"("screenshotData":"\/\/\/\/ABA=","messages":[)"
                         R"({"id":"%2","content":"Tab\there \\ é 👍🏽","isUser":true,"timestamp":-1.5},)"
                         R"({"id":"%3","content":"\u0001","isUser":false,"timestamp":-1.5}]},)"
                         R"({"id":"%4","title":"","createdAt":0,"messages":[]}])")
              .arg(upperUuid(withImage.id()), upperUuid(withImage.messages().at(0).id()),
                  upperUuid(withImage.messages().at(1).id()), upperUuid(withoutImage.id()));
    EXPECT_EQ(QString::fromUtf8(*json), expected);
}

TEST(ConversationJsonTest, ReadsBackWhatItWroteWithNewIdentifiers)
{
    QByteArray png(100 * 1024, Qt::Uninitialized);
    QRandomGenerator generator(7);
    for (char &byte : png)
        byte = char(generator.bounded(256));
    const QDateTime when = QDateTime(QDate(2024, 3, 15), QTime(10, 0, 0, 250), Qt::UTC);
    const QList<Conversation> original {
        Conversation(QStringLiteral("Grüße 👋 \u2028 \\ / \" \x1f"), when, png,
            { SavedMessage(QStringLiteral("q"), true, when),
                SavedMessage(QStringLiteral("a"), false, when) }),
        Conversation(QStringLiteral("empty screenshot"), referenceDate.addDays(-400), QByteArray(""), {}),
        Conversation(QStringLiteral("no screenshot"), referenceDate, std::nullopt,
            { SavedMessage(QStringLiteral("unpaired"), true, when) }),
    };

    const std::optional<QByteArray> json = ConversationJson::encode(original);
    ASSERT_TRUE(json.has_value());
    const QList<Conversation> first = decoded(*json);
    const QList<Conversation> second = decoded(*json);

    ASSERT_EQ(first.size(), original.size());
    for (qsizetype i = 0; i < original.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(first[i].title(), original[i].title());
        EXPECT_EQ(first[i].createdAt(), original[i].createdAt());
        EXPECT_EQ(first[i].screenshotData(), original[i].screenshotData());
        ASSERT_EQ(first[i].messages().size(), original[i].messages().size());
        for (qsizetype m = 0; m < original[i].messages().size(); ++m) {
            EXPECT_EQ(first[i].messages()[m].content(), original[i].messages()[m].content());
            EXPECT_EQ(first[i].messages()[m].isUser(), original[i].messages()[m].isUser());
            EXPECT_EQ(first[i].messages()[m].timestamp(), original[i].messages()[m].timestamp());
            EXPECT_NE(first[i].messages()[m].id(), original[i].messages()[m].id());
            EXPECT_NE(first[i].messages()[m].id(), second[i].messages()[m].id());
        }
        EXPECT_NE(first[i].id(), original[i].id());
        EXPECT_NE(first[i].id(), second[i].id());
    }

    // Another JSON reader sees the same document, with Base64 that Qt's own
    // decoder takes as it is.
    QJsonParseError parseError;
    const QJsonArray array = QJsonDocument::fromJson(*json, &parseError).array();
    ASSERT_EQ(parseError.error, QJsonParseError::NoError);
    const auto fromBase64 = QByteArray::fromBase64Encoding(
        array[0].toObject()[QLatin1String("screenshotData")].toString().toLatin1(),
        QByteArray::AbortOnBase64DecodingErrors);
    ASSERT_TRUE(fromBase64);
    EXPECT_EQ(*fromBase64, png);
    EXPECT_EQ(array[0].toObject()[QLatin1String("title")].toString(), original[0].title());
}

TEST(ConversationJsonTest, WritesBase64OfEveryLengthAsMeasured)
{
    QByteArray random(10000, Qt::Uninitialized); // several of the writer's chunks
    QRandomGenerator generator(11);
    for (char &byte : random)
        byte = char(generator.bounded(256));
    QList<QByteArray> cases;
    for (int length = 0; length <= 9; ++length) {
        cases.append(QByteArray(length, '\xff')); // every digit a solidus
        cases.append(random.left(length));
    }
    cases += { QByteArray("\xfb\xff\xbf", 3), random.left(3072), random.left(3073), random };

    for (const QByteArray &data : cases) {
        SCOPED_TRACE(data.size());
        const QByteArray expected = '"' + data.toBase64().replace("/", "\\/") + '"';
        JsonWriter measure = JsonWriter::measuring();
        measure.base64String(data);
        EXPECT_EQ(measure.size(), expected.size());

        QByteArray text(expected.size(), '\0');
        JsonWriter writer(text.data(), text.size());
        writer.base64String(data);
        EXPECT_EQ(writer.size(), expected.size());
        EXPECT_EQ(text, expected);
    }

    // A writer given fewer bytes than the text needs stores nothing past them.
    QByteArray guarded(16, '#');
    JsonWriter tooSmall(guarded.data(), 5);
    tooSmall.base64String(QByteArray("0123456789"));
    EXPECT_EQ(tooSmall.size(), 18);
    EXPECT_EQ(guarded.mid(5), QByteArray(11, '#'));
}

TEST(ConversationJsonTest, LargeListIsTheSameTextAsItsConversationsWrittenOneByOne)
{
    // Enough screenshot bytes for the list to be written on several threads.
    QList<Conversation> conversations;
    QRandomGenerator generator(3);
    const QDateTime when = QDateTime(QDate(2024, 5, 1), QTime(9, 30), Qt::UTC);
    for (int i = 0; i < 24; ++i) {
        std::optional<QByteArray> png;
        if (i % 5 != 4) {
            png = QByteArray(1024 * 1024 + i, Qt::Uninitialized);
            generator.fillRange(reinterpret_cast<quint32 *>(png->data()), png->size() / 4);
        }
        conversations.append(Conversation(QStringLiteral("Nº %1 \"/\\ 👋").arg(i), when.addSecs(-i * 7), png,
            { SavedMessage(QStringLiteral("q%1").arg(i), true, when),
                SavedMessage(QStringLiteral("a").repeated(i), false, when) }));
    }

    QByteArray oneByOne = "[";
    for (const Conversation &conversation : conversations) {
        const std::optional<QByteArray> single = ConversationJson::encode({ conversation });
        ASSERT_TRUE(single.has_value());
        if (oneByOne.size() > 1)
            oneByOne += ',';
        oneByOne += single->mid(1, single->size() - 2);
    }
    oneByOne += ']';
    EXPECT_EQ(ConversationJson::encode(conversations), oneByOne);

    // The first conversation without a date is the one named.
    conversations[17] = Conversation(QStringLiteral("later"), QDateTime(), std::nullopt, {});
    conversations[5] = Conversation(QStringLiteral("first"), QDateTime(), std::nullopt, {});
    QString error;
    EXPECT_FALSE(ConversationJson::encode(conversations, &error).has_value());
    EXPECT_EQ(error, QStringLiteral("The conversation 'first' has a date without a value"));
}

TEST(ConversationJsonTest, ReadsMembersInAnyOrderAndPassesOverUnknownOnes)
{
    const QList<Conversation> conversations = decoded(R"( [
        {"messages": [{"timestamp": 2, "extra": {"a": [1, 2, {"b": null}]}, "isUser": false, "content": "A"},
                      {"isUser": true, "content": "Q", "timestamp": 1.25e1, "id": 12}],
         "future": "member", "screenshotData": null, "createdAt": 0, "title": "t", "id": "not a uuid"},
        {"title": "u", "createdAt": -3, "messages": [], "screenshotData": "QUJD"},
        {"title": "v", "createdAt": 7.5E-1, "messages": [], "screenshotData": "QQ=="}
    ] )");
    ASSERT_EQ(conversations.size(), 3);
    EXPECT_EQ(conversations[0].title(), QStringLiteral("t"));
    EXPECT_EQ(conversations[0].createdAt(), referenceDate);
    EXPECT_FALSE(conversations[0].screenshotData().has_value());
    ASSERT_EQ(conversations[0].messages().size(), 2);
    EXPECT_EQ(conversations[0].messages()[0].content(), QStringLiteral("A"));
    EXPECT_FALSE(conversations[0].messages()[0].isUser());
    EXPECT_EQ(conversations[0].messages()[0].timestamp(), referenceDate.addSecs(2));
    EXPECT_EQ(conversations[0].messages()[1].timestamp(), referenceDate.addMSecs(12500));
    EXPECT_EQ(conversations[1].createdAt(), referenceDate.addSecs(-3));
    EXPECT_EQ(conversations[1].screenshotData(), QByteArray("ABC"));
    EXPECT_TRUE(conversations[1].messages().isEmpty());
    EXPECT_EQ(conversations[2].createdAt(), referenceDate.addMSecs(750));
    EXPECT_EQ(conversations[2].screenshotData(), QByteArray("A"));

    EXPECT_TRUE(decoded("[]").isEmpty());
    EXPECT_TRUE(decoded("\xEF\xBB\xBF [ ] \n").isEmpty());
}

TEST(ConversationJsonTest, ReadsBase64WithOrWithoutEscapedSolidus)
{
    const struct
    {
        const char *stored;
        QByteArray bytes;
    } cases[] = {
        { R"(////)", QByteArray("\xff\xff\xff") },
        { R"(\/\/\/\/)", QByteArray("\xff\xff\xff") },
        { R"(\u002f\u002F+\/)", QByteArray("\xff\xff\xbf") },
        { R"(\/w==)", QByteArray("\xff") },
        { R"(AAE\/)", QByteArray("\x00\x01\x3f", 3) },
        { R"()", QByteArray() },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stored);
        const QList<Conversation> conversations = decoded(
            QByteArray(R"([{"title":"","createdAt":0,"messages":[],"screenshotData":")") + c.stored + "\"}]");
        ASSERT_EQ(conversations.size(), 1);
        ASSERT_TRUE(conversations[0].screenshotData().has_value());
        EXPECT_EQ(*conversations[0].screenshotData(), c.bytes);
    }
}

TEST(ConversationJsonTest, OneDamagedRecordMakesTheWholeArrayUnreadable)
{
    const QByteArray good = R"({"title":"ok","createdAt":0,"messages":[]})";
    const QByteArray message = R"({"content":"c","isUser":true,"timestamp":0})";
    const QByteArray damaged[] = {
        // Base64 that is not standard and padded
        R"({"title":"","createdAt":0,"messages":[],"screenshotData":"QUJ"})",
        R"({"title":"","createdAt":0,"messages":[],"screenshotData":"QU=D"})",
        R"({"title":"","createdAt":0,"messages":[],"screenshotData":"Q==="})",
        R"({"title":"","createdAt":0,"messages":[],"screenshotData":"QUJD\nQUJD"})",
        R"({"title":"","createdAt":0,"messages":[],"screenshotData":"QU-_"})",
        R"({"title":"","createdAt":0,"messages":[],"screenshotData":"QQ==QUJD"})",
        R"({"title":"","createdAt":0,"messages":[],"screenshotData":42})",
        // missing or mistyped members
        R"({"createdAt":0,"messages":[]})",
        R"({"title":"","messages":[]})",
        R"({"title":"","createdAt":0})",
        R"({"title":null,"createdAt":0,"messages":[]})",
        R"({"title":"","createdAt":"0","messages":[]})",
        R"({"title":"","createdAt":0,"messages":{}})",
        R"({"title":"","createdAt":0,"messages":[{"content":"c","isUser":1,"timestamp":0}]})",
        R"({"title":"","createdAt":0,"messages":[{"content":"c","timestamp":0}]})",
        R"({"title":"","createdAt":0,"messages":[{"content":"c","isUser":true}]})",
        R"({"title":"","createdAt":0,"messages":[null]})",
        R"({"title":"","createdAt":1e300,"messages":[]})",
        R"("not an object")",
        // not JSON
        R"({"title":"","createdAt":0,"messages":[]})"
        "]",
        R"({"title":"","createdAt":0,"messages":[],})",
        R"({"title":"raw)"
        "\n"
        R"(line","createdAt":0,"messages":[]})",
        R"({"title":"\ud83d","createdAt":0,"messages":[]})",
        R"({"title":"\x","createdAt":0,"messages":[]})",
        "{\"title\":\"\xC3\x28\",\"createdAt\":0,\"messages\":[]}",
        R"({"title":"","createdAt":01,"messages":[]})",
        R"({"title":"","createdAt":0,"messages":[],"deep":)" + QByteArray(300, '[') + QByteArray(300, ']')
            + "}",
        R"({"title":"","createdAt":0,"messages":[)",
    };
    for (const QByteArray &record : damaged) {
        SCOPED_TRACE(record.toStdString());
        QString error;
        const QByteArray array = "[" + good + "," + record + "," + good + "]";
        EXPECT_FALSE(ConversationJson::decode(array, &error).has_value());
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_FALSE(ConversationJson::decode("[" + message + "]").has_value()); // a message is no conversation
    EXPECT_FALSE(ConversationJson::decode("").has_value());
    EXPECT_FALSE(ConversationJson::decode(good).has_value()); // not an array
}

TEST(ConversationJsonTest, DatesAreSecondsSinceTheStartOf2001)
{
    EXPECT_EQ(ConversationJson::secondsSinceReferenceDate(referenceDate), 0.0);
    EXPECT_EQ(ConversationJson::secondsSinceReferenceDate(QDateTime(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC)),
        -978307200.0);
    EXPECT_EQ(ConversationJson::dateFromSecondsSinceReferenceDate(0.001), referenceDate.addMSecs(1));
    EXPECT_FALSE(ConversationJson::dateFromSecondsSinceReferenceDate(1e300).has_value());

    QString error;
    const Conversation undated(QStringLiteral("undated"), QDateTime(), std::nullopt, {});
    EXPECT_FALSE(ConversationJson::encode({ undated }, &error).has_value());
    EXPECT_EQ(error, QStringLiteral("The conversation 'undated' has a date without a value"));
}

// A row keeps one conversation's object without its screenshot, whose bytes
// the row holds on their own.
TEST(ConversationJsonTest, OneConversationsRecordLeavesTheScreenshotToItsRow)
{
    const QByteArray png("\x89PNG bytes/of a screenshot", 26);
    const Conversation conversation(QStringLiteral("a/b"), referenceDate.addSecs(90), png,
        { SavedMessage(QStringLiteral("q"), true, referenceDate) });

    const std::optional<QByteArray> record = ConversationJson::encodeRecord(conversation);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(QString::fromUtf8(*record),
        QStringLiteral(R"({"id":"%1","title":"a\/b","createdAt":90,"messages":[)"
                       R"({"id":"%2","content":"q","isUser":true,"timestamp":0}]})")
            .arg(upperUuid(conversation.id()), upperUuid(conversation.messages().first().id())));

    QString error;
    const std::optional<Conversation> read = ConversationJson::decodeRecord(*record, png, &error);
    ASSERT_TRUE(read.has_value()) << error.toStdString();
    EXPECT_NE(read->id(), conversation.id());
    EXPECT_EQ(read->title(), QStringLiteral("a/b"));
    EXPECT_EQ(read->createdAt(), conversation.createdAt());
    EXPECT_EQ(read->screenshotData(), png);
    EXPECT_EQ(read->messages().size(), 1);
    EXPECT_FALSE(ConversationJson::decodeRecord(*record, std::nullopt)->screenshotData().has_value());

    // The row's bytes rule over any in the record; a record is one object.
    EXPECT_EQ(ConversationJson::decodeRecord(
                  R"({"title":"t","createdAt":0,"screenshotData":"AAAA","messages":[]})", std::nullopt)
                  ->screenshotData(),
        std::nullopt);
    for (const QByteArray &damaged : { QByteArray("[]"), QByteArray(R"({"title":"t","createdAt":0})"),
             QByteArray(R"({"title":"t","createdAt":0,"messages":[]} x)") }) {
        EXPECT_FALSE(ConversationJson::decodeRecord(damaged, png, &error).has_value())
            << damaged.toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}
