#include "store/SettingsManager.h"

#include "StoreTestSupport.h"
#include "ai/AIManager.h"
#include "platform/AutostartEntry.h"
#include "platform/PendingDefaults.h"
#include "platform/UserDefaults.h"
#include "support/DatabaseLock.h"
#include "support/LogCapture.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>

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

TEST(SettingsManagerTest, SaveWritesWhatChangedForAnotherProcessToLoad)
{
    // Each differs from what a first start loads, so that each is written.
    const QVariantMap chosen {
        { QStringLiteral("userName"), QStringLiteral("Zoë") },
        { QStringLiteral("autoLaunchAtLogin"), true },
        { QStringLiteral("keyboardShortcut"), QStringLiteral("") },
        { QStringLiteral("apiKey"), QStringLiteral("sk-test") },
        { QStringLiteral("preferredModel"), QStringLiteral("claude-3-opus") },
        { QStringLiteral("showKeyboardShortcuts"), true },
        { QStringLiteral("autoSaveScreenshots"), true },
        { QStringLiteral("screenshotQuality"), QStringLiteral("Low") },
        { QStringLiteral("enableWorkflowAutomation"), true },
        { QStringLiteral("figmaPaletteExtraction"), true },
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
    EXPECT_FALSE(PendingDefaults::standard().hasUnsavedValues());

    const QJsonObject loaded = readStoreInNewProcess().state[QLatin1String("settings")].toObject();
    EXPECT_EQ(loaded.toVariantMap(), chosen);
    AutostartEntry::remove();
}

TEST(SettingsManagerTest, TheLoginEntryFollowsOnlyAStoredSwitch)
{
    SettingsManager settings;
    settings.setAutoLaunchAtLogin(true);
    settings.saveSettings();
    ASSERT_TRUE(AutostartEntry::isInstalled());

    // Switched off while the store refuses the write (as a full disk does):
    // the entry stays until the choice is stored, by a retry.
    settings.setAutoLaunchAtLogin(false);
    {
        const FailingWrites failing(UserDefaults::standard().path(), QStringLiteral("defaults"),
            QStringLiteral("NEW.key = 'autoLaunchAtLogin'"));
        settings.saveSettings();
        EXPECT_TRUE(UserDefaults::standard().boolForKey(QStringLiteral("autoLaunchAtLogin")));
        EXPECT_TRUE(AutostartEntry::isInstalled());
        EXPECT_TRUE(PendingDefaults::standard().hasUnsavedValues());
        EXPECT_FALSE(SettingsManager().autoLaunchAtLogin()) << "the choice shows while it waits";
    }
    QTRY_VERIFY_WITH_TIMEOUT(!PendingDefaults::standard().hasUnsavedValues(), 60000);
    EXPECT_FALSE(UserDefaults::standard().boolForKey(QStringLiteral("autoLaunchAtLogin")));
    EXPECT_FALSE(AutostartEntry::isInstalled());
    EXPECT_FALSE(QFileInfo::exists(AutostartEntry::path()));
}

// Two stores open at once, as the settings window and the menu bar's are:
// each writes only what it changed, so neither erases what the other saved.
TEST(SettingsManagerTest, ASaveKeepsWhatAnotherStoreSavedSinceItLoaded)
{
    SettingsManager first;
    SettingsManager second;
    first.setUserName(QStringLiteral("Ada"));
    first.setApiKey(QStringLiteral("key-from-first"));
    first.saveSettings();
    EXPECT_EQ(second.userName(), QString()) << "a store sees a save only when it loads again";

    second.setPreferredModel(QStringLiteral("gpt-4"));
    second.saveSettings();
    first.setApiKey(QStringLiteral("newer"));
    first.saveSettings();

    SettingsManager later;
    EXPECT_EQ(later.userName(), QStringLiteral("Ada"));
    EXPECT_EQ(later.apiKey(), QStringLiteral("newer"));
    EXPECT_EQ(later.preferredModel(), QStringLiteral("gpt-4"));
    EXPECT_FALSE(UserDefaults::standard().contains(QStringLiteral("enableScreenshotSearch")))
        << "a setting nobody changed is not written";

    // A value changed and changed back is no change.
    second.loadSettings();
    second.setUserName(QStringLiteral("Grace"));
    second.setUserName(QStringLiteral("Ada"));
    first.setUserName(QStringLiteral("Lin"));
    first.saveSettings();
    second.saveSettings();
    EXPECT_EQ(SettingsManager().userName(), QStringLiteral("Lin"));
}

// Another program holds the settings file while the user's settings are
// saved: they are not lost. They wait, every reader in the process sees them
// at once (the AI client's key above all), the autostart entry waits for
// them, and once the file is free a retry stores them.
TEST(SettingsManagerTest, SettingsSavedWhileAnotherProgramHoldsTheFileAreStoredOnceItIsFree)
{
    SettingsManager settings;
    settings.setUserName(QStringLiteral("Ada"));
    settings.setApiKey(QStringLiteral("sk-new"));
    settings.setAutoLaunchAtLogin(true);
    QSignalSpy unsavedChanged(&PendingDefaults::standard(), &PendingDefaults::hasUnsavedValuesChanged);

    DatabaseLock other(UserDefaults::standardPath(), DatabaseLock::Kind::WritesOnly);
    ASSERT_TRUE(other.isHeld());
    settings.saveSettings();

    EXPECT_TRUE(PendingDefaults::standard().hasUnsavedValues());
    EXPECT_EQ(unsavedChanged.count(), 1);
    EXPECT_EQ(PendingDefaults::standard().unsavedKeys(),
        QStringList({ QStringLiteral("userName"), QStringLiteral("autoLaunchAtLogin"), QStringLiteral("apiKey") }));
    for (const char *key : { "userName", "apiKey", "autoLaunchAtLogin" })
        EXPECT_FALSE(UserDefaults::standard().contains(QLatin1String(key))) << key;
    EXPECT_FALSE(AutostartEntry::isInstalled()) << "no entry for a choice that is not stored";
    EXPECT_TRUE(AIManager::shared().hasAPIKey());
    SettingsManager reader;
    EXPECT_EQ(reader.userName(), QStringLiteral("Ada"));
    EXPECT_EQ(reader.apiKey(), QStringLiteral("sk-new"));
    EXPECT_TRUE(reader.autoLaunchAtLogin());

    other.release();
    QTRY_VERIFY_WITH_TIMEOUT(!PendingDefaults::standard().hasUnsavedValues(), 60000);
    EXPECT_EQ(unsavedChanged.count(), 2);
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("userName")), QStringLiteral("Ada"));
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("apiKey")), QStringLiteral("sk-new"));
    EXPECT_TRUE(UserDefaults::standard().boolForKey(QStringLiteral("autoLaunchAtLogin")));
    EXPECT_TRUE(AutostartEntry::isInstalled());
    AutostartEntry::remove();
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

TEST(SettingsManagerTest, AnEnteredKeyLosesItsLineBreaksAndTheSpaceAroundIt)
{
    const struct
    {
        QString entered;
        QString key;
    } cases[] = {
        { QStringLiteral("sk-abc"), QStringLiteral("sk-abc") },
        { QStringLiteral("  sk-abc\t\n"), QStringLiteral("sk-abc") },
        { QStringLiteral("sk-ab\ncd"), QStringLiteral("sk-abcd") },
        { QStringLiteral("sk-ab\r\ncd\r\n"), QStringLiteral("sk-abcd") },
        { QStringLiteral("sk-ab") + QChar(0x2028) + QStringLiteral("cd") + QChar(0x85), QStringLiteral("sk-abcd") },
        { QStringLiteral("\n \n"), QString() },
    };
    for (const auto &c : cases)
        EXPECT_EQ(SettingsManager::enteredAPIKey(c.entered), c.key) << c.entered.toStdString();

    // As entered, the key is stored at once, and alone.
    SettingsManager settings;
    settings.setUserName(QStringLiteral("not saved"));
    settings.saveAPIKey(QStringLiteral(" sk-pasted\nrest "));
    EXPECT_EQ(settings.apiKey(), QStringLiteral("sk-pastedrest"));
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("apiKey")), QStringLiteral("sk-pastedrest"));
    EXPECT_FALSE(UserDefaults::standard().contains(QStringLiteral("userName")));
}
