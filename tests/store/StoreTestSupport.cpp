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

CaseStore::CaseStore()
{
    m_defaults = std::make_unique<UserDefaults>(path());
}

CaseStore::~CaseStore() = default;

UserDefaults &CaseStore::reopen()
{
    m_defaults.reset();
    m_defaults = std::make_unique<UserDefaults>(path());
    return *m_defaults;
}

QString CaseStore::path() const
{
    return m_configHome.filePath(QStringLiteral("Pexilo/defaults.sqlite3"));
}

void storeConversations(UserDefaults &defaults, const QList<Conversation> &conversations)
{
    const std::optional<QByteArray> json = ConversationJson::encode(conversations);
    ASSERT_TRUE(json.has_value());
    ASSERT_TRUE(defaults.setData(QStringLiteral("SavedConversations"), *json));
}

NewProcessState readStoreInNewProcess(const QString &configHome)
{
    QProcess reader;
    if (!configHome.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        reader.setProcessEnvironment(environment);
    }
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

FailingWrites::FailingWrites(const QString &path, const QString &table, const QString &condition)
    : m_path(path)
    , m_table(table)
{
    for (const char *operation : { "INSERT", "UPDATE", "DELETE" })
        execute(QStringLiteral("CREATE TRIGGER failing_%1 BEFORE %1 ON %2 WHEN %3 "
                               "BEGIN SELECT RAISE(ABORT, 'disk full'); END")
                    .arg(QLatin1String(operation), table, condition));
}

FailingWrites::~FailingWrites()
{
    for (const char *operation : { "INSERT", "UPDATE", "DELETE" })
        execute(QStringLiteral("DROP TRIGGER failing_%1").arg(QLatin1String(operation)));
}

void FailingWrites::execute(const QString &sql)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(m_path).constData(), &db), SQLITE_OK);
    char *message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message), SQLITE_OK) << message;
    sqlite3_free(message);
    sqlite3_close(db);
}

} // namespace StoreTestSupport
