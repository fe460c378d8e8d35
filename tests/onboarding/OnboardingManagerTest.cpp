#include "onboarding/OnboardingManager.h"

#include "OnboardingTestSupport.h"
#include "platform/AppEvents.h"
#include "platform/AutostartEntry.h"
#include "platform/PendingDefaults.h"
#include "platform/UserDefaults.h"
#include "store/SettingsManager.h"
#include "support/DatabaseLock.h"
#include "support/LogCapture.h"

#include <QFile>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace OnboardingTestSupport;

namespace {

const QStringList &allKeys = onboardingKeys;

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

// The keys of the store in the order they were first written.
QStringList keysInWriteOrder()
{
    QStringList keys;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(
            QFile::encodeName(UserDefaults::standardPath()).constData(), &db, SQLITE_OPEN_READONLY, nullptr)
        == SQLITE_OK) {
        sqlite3_stmt *select = nullptr;
        sqlite3_prepare_v2(db, "SELECT key FROM defaults ORDER BY rowid", -1, &select, nullptr);
        while (select && sqlite3_step(select) == SQLITE_ROW)
            keys.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(select, 0))));
        sqlite3_finalize(select);
    }
    sqlite3_close(db);
    return keys;
}

// Reads a property each time its change signal arrives, so that a test sees
// the value a listener would see.
class PropertyWatcher : public QObject
{
    Q_OBJECT

public:
    PropertyWatcher(QObject *object, const QMetaProperty &property)
        : m_object(object)
        , m_property(property)
    {
        const int slot = metaObject()->indexOfSlot("record()");
        QObject::connect(object, property.notifySignal(), this, metaObject()->method(slot));
    }

    QVariantList seen;

public Q_SLOTS:
    void record() { seen.append(m_property.read(m_object)); }

private:
    QObject *m_object;
    QMetaProperty m_property;
};

class OnboardingManagerTest : public FirstStart
{
};

} // namespace

TEST_F(OnboardingManagerTest, FirstStartHasTheDefaults)
{
    OnboardingManager manager;
    EXPECT_FALSE(manager.hasCompletedOnboarding());
    EXPECT_EQ(manager.userName(), QString());
    EXPECT_EQ(manager.preferredAIModel(), QStringLiteral("gpt-4o"));
    EXPECT_FALSE(manager.autoLaunchAtLogin());
    EXPECT_FALSE(manager.showKeyboardShortcuts());
    EXPECT_EQ(manager.keyboardShortcut(), QStringLiteral("Ctrl+Shift+2"));
    EXPECT_TRUE(keysInWriteOrder().isEmpty()) << "making an instance writes nothing";
}

TEST_F(OnboardingManagerTest, LoadsStoredValues)
{
    defaults().setBool(QStringLiteral("hasCompletedOnboarding"), true);
    defaults().setString(QStringLiteral("userName"), QStringLiteral("Ada"));
    defaults().setString(QStringLiteral("preferredAIModel"), QStringLiteral("gpt-4o-mini"));
    defaults().setBool(QStringLiteral("autoLaunchAtLogin"), true);
    defaults().setBool(QStringLiteral("showKeyboardShortcuts"), true);
    defaults().setString(QStringLiteral("keyboardShortcut"), QStringLiteral("Ctrl+Alt+P"));

    OnboardingManager manager;
    EXPECT_TRUE(manager.hasCompletedOnboarding());
    EXPECT_EQ(manager.userName(), QStringLiteral("Ada"));
    EXPECT_EQ(manager.preferredAIModel(), QStringLiteral("gpt-4o-mini"));
    EXPECT_TRUE(manager.autoLaunchAtLogin());
    EXPECT_TRUE(manager.showKeyboardShortcuts());
    EXPECT_EQ(manager.keyboardShortcut(), QStringLiteral("Ctrl+Alt+P"));
}

TEST_F(OnboardingManagerTest, EveryWriteStoresThenAnnouncesEvenWhenUnchanged)
{
    OnboardingManager manager;
    const QMetaObject *meta = manager.metaObject();
    ASSERT_EQ(meta->propertyCount() - meta->propertyOffset(), 6);
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        SCOPED_TRACE(property.name());
        const QVariant value
            = property.typeId() == QMetaType::Bool ? QVariant(true) : QVariant(QStringLiteral("changed"));

        PropertyWatcher watcher(&manager, property);
        ASSERT_TRUE(property.write(&manager, value));
        ASSERT_TRUE(property.write(&manager, value));
        EXPECT_EQ(watcher.seen, QVariantList({ value, value }));
    }
    EXPECT_TRUE(keysInWriteOrder().isEmpty()) << "answers are stored only when onboarding completes";
}

TEST_F(OnboardingManagerTest, CompletionWritesTheFlagAndTheAnswersChangedInTheFlow)
{
    OnboardingManager manager;
    manager.setUserName(QStringLiteral("Ada"));
    manager.setAutoLaunchAtLogin(true);
    manager.setAutoLaunchAtLogin(false); // and back: no change
    QSignalSpy completed(&manager, &OnboardingManager::hasCompletedOnboardingChanged);
    LogCapture log;

    manager.completeOnboarding();

    EXPECT_TRUE(manager.hasCompletedOnboarding());
    EXPECT_EQ(completed.count(), 1);
    EXPECT_EQ(keysInWriteOrder(), QStringList({ QStringLiteral("hasCompletedOnboarding"), QStringLiteral("userName") }));
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("hasCompletedOnboarding")));
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("userName")), QStringLiteral("Ada"));
    EXPECT_TRUE(log.lines().isEmpty()) << "no login item without launch at login";

    // What a new instance loads is what the flow ended with.
    OnboardingManager next;
    EXPECT_TRUE(next.hasCompletedOnboarding());
    EXPECT_EQ(next.userName(), QStringLiteral("Ada"));
    EXPECT_EQ(next.preferredAIModel(), QStringLiteral("gpt-4o"));
    EXPECT_FALSE(next.autoLaunchAtLogin());
    EXPECT_FALSE(next.showKeyboardShortcuts());
    EXPECT_EQ(next.keyboardShortcut(), QStringLiteral("Ctrl+Shift+2"));
}

// The settings window and the onboarding flow open at once, each saving
// after the other has: neither erases the other's answers, and neither
// takes away the autostart entry that the other put in place.
TEST_F(OnboardingManagerTest, OnboardingAndTheSettingsWindowKeepEachOthersAnswersInBothOrders)
{
    for (const bool settingsFirst : { true, false }) {
        SCOPED_TRACE(settingsFirst ? "settings saved first" : "onboarding completed first");
        for (const QString &key : allKeys)
            defaults().removeObject(key);
        AutostartEntry::remove();

        OnboardingManager flow;
        SettingsManager settings;
        flow.setUserName(QStringLiteral("Ada"));
        settings.setAutoLaunchAtLogin(true);
        settings.setShowKeyboardShortcuts(true);
        settings.setApiKey(QStringLiteral("sk-settings"));
        if (settingsFirst) {
            settings.saveSettings();
            flow.completeOnboarding();
        } else {
            flow.completeOnboarding();
            settings.saveSettings();
        }

        EXPECT_TRUE(defaults().boolForKey(QStringLiteral("hasCompletedOnboarding")));
        EXPECT_EQ(defaults().stringForKey(QStringLiteral("userName")), QStringLiteral("Ada"));
        EXPECT_TRUE(defaults().boolForKey(QStringLiteral("autoLaunchAtLogin")));
        EXPECT_TRUE(defaults().boolForKey(QStringLiteral("showKeyboardShortcuts")));
        EXPECT_EQ(defaults().stringForKey(QStringLiteral("apiKey")), QStringLiteral("sk-settings"));
        EXPECT_TRUE(AutostartEntry::isInstalled());
    }

    // Both change the same answer: the one saved last holds.
    for (const bool settingsFirst : { true, false }) {
        OnboardingManager flow;
        SettingsManager settings;
        flow.setUserName(QStringLiteral("From onboarding"));
        settings.setUserName(QStringLiteral("From settings"));
        if (settingsFirst) {
            settings.saveSettings();
            flow.completeOnboarding();
        } else {
            flow.completeOnboarding();
            settings.saveSettings();
        }
        EXPECT_EQ(defaults().stringForKey(QStringLiteral("userName")),
            settingsFirst ? QStringLiteral("From onboarding") : QStringLiteral("From settings"));
    }
    AutostartEntry::remove();
}

// Another program holds the settings file as onboarding completes: nothing
// is lost and nothing runs ahead of what is stored. The answers wait and are
// written once the file is free, and only then is the autostart entry put in
// place, so that no start at login meets an onboarding that is not stored.
TEST_F(OnboardingManagerTest, CompletionWhileAnotherProgramHoldsTheFileWritesTheEntryOnlyOnceStored)
{
    OnboardingManager manager;
    manager.setUserName(QStringLiteral("Ada"));
    manager.setAutoLaunchAtLogin(true);
    DatabaseLock other(UserDefaults::standardPath(), DatabaseLock::Kind::WritesOnly);
    ASSERT_TRUE(other.isHeld());
    QStringList lines;
    bool storedBeforeLoginItem = false;
    const Log::Sink previous = Log::setSink([&](const QString &line) {
        lines.append(line);
        if (line == QStringLiteral("Setting up login item..."))
            storedBeforeLoginItem = defaults().boolForKey(QStringLiteral("hasCompletedOnboarding"))
                && defaults().boolForKey(QStringLiteral("autoLaunchAtLogin"));
    });

    manager.completeOnboarding();

    EXPECT_TRUE(keysInWriteOrder().isEmpty());
    EXPECT_FALSE(AutostartEntry::isInstalled());
    EXPECT_FALSE(lines.contains(QStringLiteral("Setting up login item...")));
    OnboardingManager application;
    EXPECT_TRUE(application.hasCompletedOnboarding()) << "the process sees the answers that wait";
    EXPECT_EQ(application.userName(), QStringLiteral("Ada"));

    other.release();
    QTRY_VERIFY_WITH_TIMEOUT(!PendingDefaults::standard().hasUnsavedValues(), 60000);
    Log::setSink(previous);
    EXPECT_EQ(keysInWriteOrder(),
        QStringList({ QStringLiteral("hasCompletedOnboarding"), QStringLiteral("userName"),
            QStringLiteral("autoLaunchAtLogin") }));
    EXPECT_TRUE(AutostartEntry::isInstalled());
    EXPECT_TRUE(storedBeforeLoginItem);
}

TEST_F(OnboardingManagerTest, LaunchAtLoginSetsUpTheLoginItemAfterTheWrites)
{
    OnboardingManager manager;
    manager.setAutoLaunchAtLogin(true);

    QStringList lines;
    bool storedBeforeLine = false;
    const Log::Sink previous = Log::setSink([&](const QString &line) {
        lines.append(line);
        storedBeforeLine = defaults().boolForKey(QStringLiteral("hasCompletedOnboarding"))
            && defaults().boolForKey(QStringLiteral("autoLaunchAtLogin"));
    });
    manager.completeOnboarding();
    Log::setSink(previous);

    EXPECT_EQ(lines, QStringList { QStringLiteral("Setting up login item...") });
    EXPECT_TRUE(storedBeforeLine);
    EXPECT_TRUE(AutostartEntry::isInstalled()) << "the desktop starts the program at login";
}

TEST_F(OnboardingManagerTest, WithoutLaunchAtLoginNoAutostartEntryIsWritten)
{
    OnboardingManager manager;
    manager.completeOnboarding();
    EXPECT_FALSE(AutostartEntry::isInstalled());
}

TEST_F(OnboardingManagerTest, CompletionWithLaunchAtLoginSwitchedOffTakesOurLoginItemAway)
{
    ASSERT_TRUE(AutostartEntry::install());
    defaults().setBool(QStringLiteral("autoLaunchAtLogin"), true);
    OnboardingManager manager;
    manager.setAutoLaunchAtLogin(false);
    LogCapture log;

    manager.completeOnboarding();

    EXPECT_FALSE(QFile::exists(AutostartEntry::path()));
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(OnboardingManagerTest, NotificationIsPostedOnceAfterTheWrites)
{
    OnboardingManager manager;
    manager.setUserName(QStringLiteral("Grace"));

    int posted = 0;
    bool storedWhenPosted = false;
    QObject receiver;
    QObject::connect(&AppEvents::instance(), &AppEvents::onboardingCompleted, &receiver, [&] {
        ++posted;
        storedWhenPosted = defaults().boolForKey(QStringLiteral("hasCompletedOnboarding"))
            && defaults().stringForKey(QStringLiteral("userName")) == QStringLiteral("Grace");
    });

    manager.completeOnboardingWithNotification();

    EXPECT_EQ(posted, 1);
    EXPECT_TRUE(storedWhenPosted);
}

TEST_F(OnboardingManagerTest, InstancesShareOnlyWhatCompletionStored)
{
    {
        OnboardingManager abandoned;
        abandoned.setUserName(QStringLiteral("Not stored"));
        abandoned.setAutoLaunchAtLogin(true);
    }
    OnboardingManager older;
    EXPECT_EQ(older.userName(), QString());
    EXPECT_FALSE(older.autoLaunchAtLogin());

    OnboardingManager flow;
    flow.setUserName(QStringLiteral("Grace"));
    flow.completeOnboarding();

    EXPECT_FALSE(older.hasCompletedOnboarding()) << "an instance never re-reads the store";
    EXPECT_EQ(older.userName(), QString());

    OnboardingManager newer;
    EXPECT_TRUE(newer.hasCompletedOnboarding());
    EXPECT_EQ(newer.userName(), QStringLiteral("Grace"));

    // An owner that outlives onboarding reads the stored answers again.
    QSignalSpy nameChanged(&older, &OnboardingManager::userNameChanged);
    older.reload();
    EXPECT_TRUE(older.hasCompletedOnboarding());
    EXPECT_EQ(older.userName(), QStringLiteral("Grace"));
    EXPECT_EQ(nameChanged.count(), 1);
}

#include "OnboardingManagerTest.moc"
