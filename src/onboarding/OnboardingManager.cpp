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

    // One write for all six, in this order: a file that another program
    // holds is waited for once, and a failure stores no half of the answers.
    UserDefaults::standard().setObjects({
        { SettingsKeys::hasCompletedOnboarding.name, true },
        { SettingsKeys::userName.name, m_userName },
        { SettingsKeys::preferredAIModel.name, m_preferredAIModel },
        { SettingsKeys::autoLaunchAtLogin.name, m_autoLaunchAtLogin },
        { SettingsKeys::showKeyboardShortcuts.name, m_showKeyboardShortcuts },
        { SettingsKeys::keyboardShortcut.name, m_keyboardShortcut },
    });

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
