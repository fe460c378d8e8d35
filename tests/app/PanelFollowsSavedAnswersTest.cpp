// The tray panel reads the application's own onboarding answers; what the
// settings window saves and what the onboarding flow completes shows in it
// the next time it opens, without a restart.

#include "MenuBarTestSupport.h"
#include "app/PexiloApp.h"
#include "onboarding/OnboardingManager.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "settings/SettingsPanel.h"
#include "settings/SettingsView.h"
#include "ui/ToggleSwitch.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace MenuBarTestSupport;

namespace {

class PanelFollowsSavedAnswersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults &defaults = UserDefaults::standard();
        defaults.setString(SettingsKeys::userName.name, QString());
        defaults.setBool(SettingsKeys::showKeyboardShortcuts.name, false);
        defaults.setBool(SettingsKeys::autoLaunchAtLogin.name, false);
    }

    // What the panel shows when the tray icon opens it.
    QStringList panelTexts()
    {
        app.toggleMenuBarWindow();
        const QStringList texts = visibleTexts(&app.menuBarWindow());
        app.toggleMenuBarWindow();
        return texts;
    }

    static bool greets(const QStringList &texts, const QString &name)
    {
        return std::any_of(
            texts.cbegin(), texts.cend(), [&](const QString &text) { return text.endsWith(QStringLiteral(", ") + name); });
    }

    PexiloApp app;
};

} // namespace

TEST_F(PanelFollowsSavedAnswersTest, ANameAndTheShortcutSwitchSavedInSettings)
{
    QStringList before = panelTexts();
    EXPECT_FALSE(before.contains(QStringLiteral("Ctrl+Shift+2")));
    EXPECT_FALSE(greets(before, QStringLiteral("Ada")));

    app.appDelegate().showSettingsWindow();
    QWidget *window = app.appDelegate().settingsWindow();
    auto *settings = window->findChild<SettingsView *>();
    ASSERT_NE(settings, nullptr);
    settings->selectCategory(SettingsCategory::account);
    QTest::keyClicks(settings->currentPanel()->findChild<QLineEdit *>(), QStringLiteral("Ada"));
    settings->selectCategory(SettingsCategory::general);
    QTest::mouseClick(settings->currentPanel()->findChildren<ToggleSwitch *>().last(), Qt::LeftButton);
    EXPECT_FALSE(greets(panelTexts(), QStringLiteral("Ada"))) << "unsaved edits stay in the window";

    window->close();
    const QStringList after = panelTexts();
    EXPECT_TRUE(greets(after, QStringLiteral("Ada"))) << after.join(u'|').toStdString();
    EXPECT_TRUE(after.contains(QStringLiteral("Ctrl+Shift+2")));
}

TEST_F(PanelFollowsSavedAnswersTest, AnswersOfACompletedOnboarding)
{
    EXPECT_FALSE(greets(panelTexts(), QStringLiteral("Grace")));

    OnboardingManager flow;
    flow.setUserName(QStringLiteral("Grace"));
    flow.completeOnboardingWithNotification();

    EXPECT_TRUE(app.onboardingManager().hasCompletedOnboarding());
    EXPECT_TRUE(greets(panelTexts(), QStringLiteral("Grace")));
}
