#include "StoreTestSupport.h"

#include "platform/UserDefaults.h"
#include "store/ConversationJson.h"
#include "store/ConversationManager.h"

#include <QFile>
#include <QJsonDocument>
#include <QPainter>
#include <QProcess>
#include <QTimeZone>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace StoreTestSupport {

DateEnvironment berlinEnvironment(const QDateTime &now)
{
    return DateEnvironment::fixed(
        now, QLocale(QLocale::English, QLocale::UnitedStates), QTimeZone(QByteArrayLiteral("Europe/Berlin")));
}

QDateTime berlinTime(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(
        QDate(year, month, day), QTime(hour, minute, second), QTimeZone(QByteArrayLiteral("Europe/Berlin")));
}

FakeConversationWindows::FakeConversationWindows()
{
    ConversationHooks hooks;
    hooks.chatScreenshot = [this] { return chatScreenshot; };
    hooks.lastCapture = [this] { return lastCapture; };
    hooks.showTranscript = [this](const QList<SavedMessage> &messages) { transcript = messages; };
    hooks.showScreenshot = [this](const std::optional<QImage> &image) { chatScreenshot = image; };
    hooks.clearTranscript = [this] { transcript.clear(); };
    ConversationManager::setHooks(std::move(hooks));
}

FakeConversationWindows::~FakeConversationWindows()
{
    ConversationManager::setHooks({});
}

AIResponse answer(const QString &question, const QString &content, const QDateTime &timestamp)
{
    return AIResponse { content, timestamp, std::nullopt, question };
}

QImage sampleImage(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(
                x, y, qRgba((x * 7 + seed) % 256, (y * 13 + seed) % 256, (x * y + seed) % 256, 255));
    return image;
}

void storeConversations(const QList<Conversation> &conversations)
{
    const std::optional<QByteArray> json = ConversationJson::encode(conversations);
    ASSERT_TRUE(json.has_value());
    ASSERT_TRUE(UserDefaults::standard().setData(QStringLiteral("SavedConversations"), *json));
}

NewProcessState readStoreInNewProcess()
{
    QProcess reader;
    reader.start(QStringLiteral(STORE_READER), {});
    EXPECT_TRUE(reader.waitForFinished(30000));
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();

    NewProcessState result;
    for (const QString &line : QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("STATE ")))
            result.state = QJsonDocument::fromJson(line.mid(6).toUtf8()).object();
        else if (!line.isEmpty())
            result.logLines.append(line);
    }
    return result;
}

FailingWrites::FailingWrites(const QString &keyPattern)
{
    UserDefaults::standard(); // the table exists
    for (const char *operation : { "INSERT", "UPDATE" })
        execute(QStringLiteral("CREATE TRIGGER failing_%1 BEFORE %1 ON defaults WHEN NEW.key GLOB '%2' "
                               "BEGIN SELECT RAISE(ABORT, 'disk full'); END")
                    .arg(QLatin1String(operation), keyPattern));
}

FailingWrites::~FailingWrites()
{
    execute(QStringLiteral("DROP TRIGGER failing_INSERT"));
    execute(QStringLiteral("DROP TRIGGER failing_UPDATE"));
}

void FailingWrites::execute(const QString &sql)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(UserDefaults::standardPath()).constData(), &db), SQLITE_OK);
    char *message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message), SQLITE_OK) << message;
    sqlite3_free(message);
    sqlite3_close(db);
}

} // namespace StoreTestSupport
