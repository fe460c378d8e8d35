#include "OnboardingManager.h"

#include "platform/AppEvents.h"
#include "platform/AutostartEntry.h"
#include "platform/Log.h"
#include "platform/PendingDefaults.h"
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
    m_loaded = answers();
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

    // The flag and the answers changed in the flow, in one write: the keys
    // that it only loaded may have been stored anew since (by the settings
    // window), and a failure stores no half of the answers. What the file
    // does not take now waits and is written later (PendingDefaults).
    QList<std::pair<QString, QVariant>> changes { { SettingsKeys::hasCompletedOnboarding.name, true } };
    const QList<std::pair<QString, QVariant>> now = answers();
    for (qsizetype index = 0; index < now.size(); ++index) {
        if (now.at(index) != m_loaded.value(index))
            changes.append(now.at(index));
    }
    m_loaded = now;

    // The entry starts the program at login against an unfinished
    // onboarding unless the answers are stored: it follows them once they are.
    const bool launch = m_autoLaunchAtLogin;
    PendingDefaults::standard().setObjects(changes, [launch](const QStringList &stored) {
        if (!stored.contains(QString(SettingsKeys::autoLaunchAtLogin.name)))
            return;
        if (launch)
            setupLoginItem();
        else
            AutostartEntry::apply(false);
    });
}

QList<std::pair<QString, QVariant>> OnboardingManager::answers() const
{
    return {
        { SettingsKeys::userName.name, m_userName },
        { SettingsKeys::preferredAIModel.name, m_preferredAIModel },
        { SettingsKeys::autoLaunchAtLogin.name, m_autoLaunchAtLogin },
        { SettingsKeys::showKeyboardShortcuts.name, m_showKeyboardShortcuts },
        { SettingsKeys::keyboardShortcut.name, m_keyboardShortcut },
    };
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
