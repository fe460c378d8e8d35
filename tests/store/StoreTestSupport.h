#pragma once

#include "ai/AIResponse.h"
#include "store/Conversation.h"
#include "store/DateEnvironment.h"

#include <QImage>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class UserDefaults;

namespace StoreTestSupport {

// Berlin time, American English: a zone with daylight saving time and a
// locale whose short time is "h:mm AP".
DateEnvironment berlinEnvironment(const QDateTime &now);
// A moment given as Berlin wall-clock time.
QDateTime berlinTime(int year, int month, int day, int hour, int minute, int second = 0);

AIResponse answer(const QString &question, const QString &content, const QDateTime &timestamp);

// An image with some structure, so that its PNG is not trivially small.
QImage sampleImage(int width, int height, int seed = 0);

// A defaults file of one case's own, in a configuration folder where a new
// process of the application finds it (readStoreInNewProcess).
class CaseStore
{
public:
    CaseStore();
    ~CaseStore();
    CaseStore(const CaseStore &) = delete;
    CaseStore &operator=(const CaseStore &) = delete;

    QString configHome() const { return m_configHome.path(); }
    QString path() const;
    UserDefaults &defaults() { return *m_defaults; }
    // The defaults anew, as the next start of the application has them:
    // nothing of this process holds the file open until they are used.
    UserDefaults &reopen();

private:
    QTemporaryDir m_configHome;
    std::unique_ptr<UserDefaults> m_defaults;
};

// Stores the conversations as one value under "SavedConversations", as an
// earlier version of the application left them.
void storeConversations(UserDefaults &defaults, const QList<Conversation> &conversations);

// What a new process of the application loads from the defaults file of
// this configuration folder (empty: this process's): its log lines, and the
// conversations and settings as the store-reader program prints them.
struct NewProcessState
{
    QStringList logLines;
    QJsonObject state;
};
NewProcessState readStoreInNewProcess(const QString &configHome = {});

// Makes every write to a table of the defaults file at the path fail, for
// as long as it lives, the way a full disk would: inserts, updates and
// deletions of the rows that meet the SQL condition (on NEW or OLD).
class FailingWrites
{
public:
    FailingWrites(const QString &path, const QString &table, const QString &condition = QStringLiteral("1"));
    ~FailingWrites();
    FailingWrites(const FailingWrites &) = delete;
    FailingWrites &operator=(const FailingWrites &) = delete;

private:
    void execute(const QString &sql);

    QString m_path;
    QString m_table;
};

} // namespace StoreTestSupport
