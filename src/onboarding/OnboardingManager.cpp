#include "OnboardingManager.h"

#include "platform/AppEvents.h"
#include "platform/AutostartEntry.h"
#include "platform/Log.h"
#include "platform/PublishedProperty.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

OnboardingManager::OnboardingManager(QObject *parent)
    : QObject(parent)
{
    reload();
}

void OnboardingManager::reload()
{
    const UserDefaults &defaults = UserDefaults::standard();
    setHasCompletedOnboarding(SettingsKeys::hasCompletedOnboarding.read(defaults));
    setUserName(SettingsKeys::userName.read(defaults));
    setPreferredAIModel(SettingsKeys::preferredAIModel.read(defaults));
    setAutoLaunchAtLogin(SettingsKeys::autoLaunchAtLogin.read(defaults));
    setShowKeyboardShortcuts(SettingsKeys::showKeyboardShortcuts.read(defaults));
    setKeyboardShortcut(SettingsKeys::keyboardShortcut.read(defaults));
}

void OnboardingManager::setHasCompletedOnboarding(bool completed)
{
    PublishedProperty::write(
        this, m_hasCompletedOnboarding, completed, &OnboardingManager::hasCompletedOnboardingChanged);
}

void OnboardingManager::setUserName(const QString &name)
{
    PublishedProperty::write(this, m_userName, name, &OnboardingManager::userNameChanged);
}

void OnboardingManager::setPreferredAIModel(const QString &model)
{
    PublishedProperty::write(this, m_preferredAIModel, model, &OnboardingManager::preferredAIModelChanged);
}

void OnboardingManager::setAutoLaunchAtLogin(bool launch)
{
    PublishedProperty::write(this, m_autoLaunchAtLogin, launch, &OnboardingManager::autoLaunchAtLoginChanged);
}

void OnboardingManager::setShowKeyboardShortcuts(bool show)
{
    PublishedProperty::write(
        this, m_showKeyboardShortcuts, show, &OnboardingManager::showKeyboardShortcutsChanged);
}

void OnboardingManager::setKeyboardShortcut(const QString &shortcut)
{
    PublishedProperty::write(this, m_keyboardShortcut, shortcut, &OnboardingManager::keyboardShortcutChanged);
}

void OnboardingManager::completeOnboarding()
{
    setHasCompletedOnboarding(true);

    UserDefaults &defaults = UserDefaults::standard();
    SettingsKeys::hasCompletedOnboarding.write(defaults, true);
    SettingsKeys::userName.write(defaults, m_userName);
    SettingsKeys::preferredAIModel.write(defaults, m_preferredAIModel);
    SettingsKeys::autoLaunchAtLogin.write(defaults, m_autoLaunchAtLogin);
    SettingsKeys::showKeyboardShortcuts.write(defaults, m_showKeyboardShortcuts);
    SettingsKeys::keyboardShortcut.write(defaults, m_keyboardShortcut);

    if (m_autoLaunchAtLogin)
        setupLoginItem();
    else
        AutostartEntry::apply(false);
}

void OnboardingManager::completeOnboardingWithNotification()
{
    completeOnboarding();
    AppEvents::instance().postOnboardingCompleted();
}

// The desktop starts the program at login from its autostart entry.
void OnboardingManager::setupLoginItem()
{
    Log::line(QStringLiteral("Setting up login item..."));
    AutostartEntry::apply(true);
}
