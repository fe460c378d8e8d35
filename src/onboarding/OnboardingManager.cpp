#include "OnboardingManager.h"

#include "platform/AppEvents.h"
#include "platform/AutostartEntry.h"
#include "platform/Log.h"
#include "platform/PendingDefaults.h"
#include "platform/PublishedProperty.h"
#include "platform/SettingsKeys.h"
#include "platform/StoredValues.h"
#include "platform/UserDefaults.h"

OnboardingManager::OnboardingManager(QObject *parent)
    : OnboardingManager(InitialLoad::Now, parent)
{ }

OnboardingManager::OnboardingManager(InitialLoad load, QObject *parent)
    : QObject(parent)
{
    if (load == InitialLoad::Now)
        reload();
    else
        loadFrom(StoredValues());
}

QStringList OnboardingManager::storedKeys()
{
    return { SettingsKeys::hasCompletedOnboarding.name, SettingsKeys::userName.name,
        SettingsKeys::preferredAIModel.name, SettingsKeys::autoLaunchAtLogin.name,
        SettingsKeys::showKeyboardShortcuts.name, SettingsKeys::keyboardShortcut.name };
}

void OnboardingManager::reload()
{
    // One read: a file that another program holds is waited for once.
    loadFrom(UserDefaults::standard().valuesForKeys(storedKeys()));
}

void OnboardingManager::loadFrom(const StoredValues &values)
{
    // A value the user gave that waits to be stored reads in place of the
    // stored one, as it does for every setting.
    const auto stored = [&values](QLatin1StringView key) {
        if (const std::optional<QVariant> unsaved
            = PendingDefaults::unsavedValue(UserDefaults::standard(), QString(key)))
            return StoredValue::of(*unsaved);
        return values.value(key);
    };
    setHasCompletedOnboarding(
        SettingsKeys::hasCompletedOnboarding.read(stored(SettingsKeys::hasCompletedOnboarding.name)));
    setUserName(SettingsKeys::userName.read(stored(SettingsKeys::userName.name)));
    setPreferredAIModel(SettingsKeys::preferredAIModel.read(stored(SettingsKeys::preferredAIModel.name)));
    setAutoLaunchAtLogin(SettingsKeys::autoLaunchAtLogin.read(stored(SettingsKeys::autoLaunchAtLogin.name)));
    setShowKeyboardShortcuts(
        SettingsKeys::showKeyboardShortcuts.read(stored(SettingsKeys::showKeyboardShortcuts.name)));
    setKeyboardShortcut(SettingsKeys::keyboardShortcut.read(stored(SettingsKeys::keyboardShortcut.name)));
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
