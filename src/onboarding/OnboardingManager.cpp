#include "OnboardingManager.h"

#include "platform/AppEvents.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"

OnboardingManager::OnboardingManager(QObject *parent)
    : QObject(parent)
{
    const UserDefaults &defaults = UserDefaults::standard();
    m_hasCompletedOnboarding = defaults.boolForKey(hasCompletedOnboardingKey);
    setUserName(defaults.stringForKey(userNameKey).value_or(QString()));
    setPreferredAIModel(defaults.stringForKey(preferredAIModelKey).value_or(defaultPreferredAIModel));
    setAutoLaunchAtLogin(defaults.boolForKey(autoLaunchAtLoginKey));
    setShowKeyboardShortcuts(defaults.boolForKey(showKeyboardShortcutsKey));
    setKeyboardShortcut(defaults.stringForKey(keyboardShortcutKey).value_or(defaultKeyboardShortcut));
}

void OnboardingManager::setHasCompletedOnboarding(bool completed)
{
    m_hasCompletedOnboarding = completed;
    Q_EMIT hasCompletedOnboardingChanged();
}

void OnboardingManager::setUserName(const QString &name)
{
    m_userName = name;
    Q_EMIT userNameChanged();
}

void OnboardingManager::setPreferredAIModel(const QString &model)
{
    m_preferredAIModel = model;
    Q_EMIT preferredAIModelChanged();
}

void OnboardingManager::setAutoLaunchAtLogin(bool launch)
{
    m_autoLaunchAtLogin = launch;
    Q_EMIT autoLaunchAtLoginChanged();
}

void OnboardingManager::setShowKeyboardShortcuts(bool show)
{
    m_showKeyboardShortcuts = show;
    Q_EMIT showKeyboardShortcutsChanged();
}

void OnboardingManager::setKeyboardShortcut(const QString &shortcut)
{
    m_keyboardShortcut = shortcut;
    Q_EMIT keyboardShortcutChanged();
}

void OnboardingManager::completeOnboarding()
{
    setHasCompletedOnboarding(true);

    UserDefaults &defaults = UserDefaults::standard();
    defaults.setBool(hasCompletedOnboardingKey, true);
    defaults.setString(userNameKey, m_userName);
    defaults.setString(preferredAIModelKey, m_preferredAIModel);
    defaults.setBool(autoLaunchAtLoginKey, m_autoLaunchAtLogin);
    defaults.setBool(showKeyboardShortcutsKey, m_showKeyboardShortcuts);
    defaults.setString(keyboardShortcutKey, m_keyboardShortcut);

    if (m_autoLaunchAtLogin)
        setupLoginItem();
}

void OnboardingManager::completeOnboardingWithNotification()
{
    completeOnboarding();
    AppEvents::instance().postOnboardingCompleted();
}

// Starting at login is not set up yet: the hook only says that it was asked for.
void OnboardingManager::setupLoginItem()
{
    Log::line(QStringLiteral("Setting up login item..."));
}
