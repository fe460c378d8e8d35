#include "store/SettingsManager.h"

#include "StoreTestSupport.h"
#include "platform/AutostartEntry.h"
#include "platform/UserDefaults.h"
#include "support/DatabaseLock.h"
#include "support/LogCapture.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonObject>
#include <QMetaProperty>
#include <QSignalSpy>

#include <gtest/gtest.h>
#include <memory>

using namespace StoreTestSupport;

namespace {

// Every setting's name and value, in declaration order.
QVariantMap values(const SettingsManager &settings)
{
    QVariantMap result;
    const QMetaObject *meta = settings.metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        result.insert(QLatin1String(meta->property(i).name()), meta->property(i).read(&settings));
    return result;
}

const QVariantMap defaultsWithNothingStored {
    { QStringLiteral("userName"), QString() },
    { QStringLiteral("autoLaunchAtLogin"), false },
    { QStringLiteral("keyboardShortcut"), QStringLiteral("Ctrl+Shift+2") },
    { QStringLiteral("apiKey"), QString() },
    { QStringLiteral("preferredModel"), QStringLiteral("gpt-4o") },
    { QStringLiteral("showKeyboardShortcuts"), false },
    { QStringLiteral("autoSaveScreenshots"), false },
    { QStringLiteral("screenshotQuality"), QStringLiteral("High") },
    { QStringLiteral("enableWorkflowAutomation"), false },
    { QStringLiteral("figmaPaletteExtraction"), false },
    { QStringLiteral("autoCSVExport"), false },
    { QStringLiteral("enableScreenshotSearch"), false },
};

} // namespace

TEST(SettingsManagerTest, WithNothingStoredTextsHaveTheirDefaultsAndSwitchesAreOff)
{
    SettingsManager settings;
    EXPECT_EQ(values(settings), defaultsWithNothingStored);
    EXPECT_EQ(settings.metaObject()->propertyCount() - settings.metaObject()->propertyOffset(), 12);
}

TEST(SettingsManagerTest, AStoredEmptyTextStaysEmptyAndOtherKindsFallBack)
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setString(QStringLiteral("keyboardShortcut"), QString());
    defaults.setString(QStringLiteral("preferredModel"), QString());
    defaults.setString(QStringLiteral("screenshotQuality"), QString());
    defaults.setBool(QStringLiteral("userName"), true); // not a text: the default
    defaults.setString(QStringLiteral("showKeyboardShortcuts"), QStringLiteral("YES"));

    SettingsManager settings;
    EXPECT_EQ(settings.keyboardShortcut(), QString());
    EXPECT_EQ(settings.preferredModel(), QString());
    EXPECT_EQ(settings.screenshotQuality(), QString());
    EXPECT_EQ(settings.userName(), QString());
    EXPECT_TRUE(settings.showKeyboardShortcuts());
}

TEST(SettingsManagerTest, SaveWritesAllTwelveForAnotherProcessToLoad)
{
    const QVariantMap chosen {
        { QStringLiteral("userName"), QStringLiteral("Zoë") },
        { QStringLiteral("autoLaunchAtLogin"), true },
        { QStringLiteral("keyboardShortcut"), QStringLiteral("") },
        { QStringLiteral("apiKey"), QStringLiteral("sk-test") },
        { QStringLiteral("preferredModel"), QStringLiteral("claude-3-opus") },
        { QStringLiteral("showKeyboardShortcuts"), true },
        { QStringLiteral("autoSaveScreenshots"), false },
        { QStringLiteral("screenshotQuality"), QStringLiteral("Low") },
        { QStringLiteral("enableWorkflowAutomation"), true },
        { QStringLiteral("figmaPaletteExtraction"), false },
        { QStringLiteral("autoCSVExport"), true },
        { QStringLiteral("enableScreenshotSearch"), true },
    };
    SettingsManager settings;
    for (auto it = chosen.cbegin(); it != chosen.cend(); ++it)
        settings.setProperty(it.key().toLatin1().constData(), it.value());
    settings.saveSettings();

    // Each key holds its own kind: a text, or a Boolean stored as 0 or 1.
    for (auto it = chosen.cbegin(); it != chosen.cend(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        const std::optional<QVariant> stored = UserDefaults::standard().objectForKey(it.key());
        ASSERT_TRUE(stored.has_value());
        if (it.value().typeId() == QMetaType::Bool)
            EXPECT_EQ(*stored, QVariant(qlonglong(it.value().toBool())));
        else
            EXPECT_EQ(*stored, it.value());
    }
    EXPECT_EQ(SettingsManager().property("autoSaveScreenshots"), false);

    const QJsonObject loaded = readStoreInNewProcess().state[QLatin1String("settings")].toObject();
    EXPECT_EQ(loaded.toVariantMap(), chosen);
}

TEST(SettingsManagerTest, TheLoginEntryFollowsOnlyASavedSwitch)
{
    SettingsManager settings;
    settings.setAutoLaunchAtLogin(true);
    settings.saveSettings();
    ASSERT_TRUE(AutostartEntry::isInstalled());

    // The switch reads off while its stored value cannot be had (here: the
    // store refuses the write, as a full disk or an unread value does).
    settings.setAutoLaunchAtLogin(false);
    {
        const FailingWrites failing(UserDefaults::standard().path(), QStringLiteral("defaults"),
            QStringLiteral("NEW.key = 'autoLaunchAtLogin'"));
        settings.saveSettings();
    }
    EXPECT_TRUE(UserDefaults::standard().boolForKey(QStringLiteral("autoLaunchAtLogin")));
    EXPECT_TRUE(AutostartEntry::isInstalled());

    settings.saveSettings();
    EXPECT_FALSE(AutostartEntry::isInstalled());
    EXPECT_FALSE(QFileInfo::exists(AutostartEntry::path()));
}

TEST(SettingsManagerTest, TheLastSaveWins)
{
    SettingsManager first;
    SettingsManager second;
    first.setUserName(QStringLiteral("Ada"));
    first.setApiKey(QStringLiteral("key-from-first"));
    first.saveSettings();
    EXPECT_EQ(second.userName(), QString());

    second.loadSettings();
    EXPECT_EQ(second.userName(), QStringLiteral("Ada"));

    // The first store changes the key again, but the second one saves after
    // it with what it loaded before.
    first.setApiKey(QStringLiteral("newer"));
    first.saveSettings();
    second.setUserName(QStringLiteral("Grace"));
    second.saveSettings();
    first.loadSettings();
    EXPECT_EQ(first.userName(), QStringLiteral("Grace"));
    EXPECT_EQ(first.apiKey(), QStringLiteral("key-from-first"));
}

// Another program in the middle of a write to the settings file: a save
// waits for it once, not once per setting (twelve waits froze the whole
// application for a minute), and stores none of the twelve rather than some.
TEST(SettingsManagerTest, ASaveWhileAnotherProgramWritesWaitsOnceAndStoresAllOrNothing)
{
    SettingsManager settings;
    settings.setUserName(QStringLiteral("Ada"));
    settings.setApiKey(QStringLiteral("sk-new"));
    settings.setAutoCSVExport(true);

    DatabaseLock other(UserDefaults::standardPath(), DatabaseLock::Kind::WritesOnly);
    ASSERT_TRUE(other.isHeld());
    LogCapture log;
    QElapsedTimer waited;
    waited.start();
    settings.saveSettings();
    const qint64 waitedMs = waited.elapsed();
    other.release();

    EXPECT_LT(waitedMs, 20000);
    ASSERT_EQ(log.lines().size(), 12);
    for (const QString &line : log.lines())
        EXPECT_TRUE(
            line.startsWith(QStringLiteral("❌")) && line.endsWith(QStringLiteral("database is locked")))
            << line.toStdString();
    for (const char *key : { "userName", "apiKey", "autoCSVExport", "keyboardShortcut" })
        EXPECT_FALSE(UserDefaults::standard().contains(QLatin1String(key))) << key;

    // The file free again, the next save stores them all.
    settings.saveSettings();
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("userName")), QStringLiteral("Ada"));
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("apiKey")), QStringLiteral("sk-new"));
    EXPECT_TRUE(UserDefaults::standard().boolForKey(QStringLiteral("autoCSVExport")));
    EXPECT_EQ(SettingsManager().property("keyboardShortcut"), QStringLiteral("Ctrl+Shift+2"));
}

TEST(SettingsManagerTest, LoadUndoesAnUnsavedAssignment)
{
    SettingsManager settings;
    settings.setPreferredModel(QStringLiteral("other"));
    settings.setAutoCSVExport(true);
    settings.loadSettings();
    EXPECT_EQ(values(settings), defaultsWithNothingStored);
    EXPECT_FALSE(UserDefaults::standard().contains(QStringLiteral("preferredModel")));
}

TEST(SettingsManagerTest, EveryLoadSignalsEverySettingOnce)
{
    SettingsManager settings;
    const QMetaObject *meta = settings.metaObject();
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        spies.push_back(std::make_unique<QSignalSpy>(&settings, meta->property(i).notifySignal()));

    settings.loadSettings();
    for (const auto &spy : spies)
        EXPECT_EQ(spy->count(), 1);

    // An assignment of the same value signals too.
    settings.setUserName(settings.userName());
    EXPECT_EQ(spies.front()->count(), 2);
}
