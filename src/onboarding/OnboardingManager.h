#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <utility>

// The answers of the first-start flow and whether it has been completed.
//
// Every owner makes its own instance. An instance loads its values from the
// user defaults when it is made (and again when its owner asks), and writes
// back the ones changed in the flow only when onboarding completes;
// instances share state only through the user defaults and the
// application-wide "onboarding completed" announcement.
//
// Every write of a property stores the value and then emits its change
// signal, also when the value is equal to the old one.
class OnboardingManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool hasCompletedOnboarding READ hasCompletedOnboarding WRITE setHasCompletedOnboarding NOTIFY
            hasCompletedOnboardingChanged)
    Q_PROPERTY(QString userName READ userName WRITE setUserName NOTIFY userNameChanged)
    Q_PROPERTY(QString preferredAIModel READ preferredAIModel WRITE setPreferredAIModel NOTIFY
            preferredAIModelChanged)
    Q_PROPERTY(bool autoLaunchAtLogin READ autoLaunchAtLogin WRITE setAutoLaunchAtLogin NOTIFY
            autoLaunchAtLoginChanged)
    Q_PROPERTY(bool showKeyboardShortcuts READ showKeyboardShortcuts WRITE setShowKeyboardShortcuts NOTIFY
            showKeyboardShortcutsChanged)
    Q_PROPERTY(QString keyboardShortcut READ keyboardShortcut WRITE setKeyboardShortcut NOTIFY
            keyboardShortcutChanged)

public:
    // Reads its keys in SettingsKeys: its own hasCompletedOnboarding and
    // preferredAIModel, and userName, autoLaunchAtLogin,
    // showKeyboardShortcuts and keyboardShortcut, which the settings share.
    explicit OnboardingManager(QObject *parent = nullptr);

    // Reads every answer from the user defaults again, as a new instance
    // would, so that a long-lived instance shows what was saved since.
    void reload();

    bool hasCompletedOnboarding() const { return m_hasCompletedOnboarding; }
    void setHasCompletedOnboarding(bool completed);

    QString userName() const { return m_userName; }
    void setUserName(const QString &name);

    QString preferredAIModel() const { return m_preferredAIModel; }
    void setPreferredAIModel(const QString &model);

    bool autoLaunchAtLogin() const { return m_autoLaunchAtLogin; }
    void setAutoLaunchAtLogin(bool launch);

    bool showKeyboardShortcuts() const { return m_showKeyboardShortcuts; }
    void setShowKeyboardShortcuts(bool show);

    // Display text only; the hot key itself is fixed.
    QString keyboardShortcut() const { return m_keyboardShortcut; }
    void setKeyboardShortcut(const QString &shortcut);

    // Marks onboarding as completed and writes that, with the answers that
    // changed since the instance loaded, to the user defaults; once a changed
    // "autoLaunchAtLogin" is stored, makes the desktop's autostart entry
    // follow it.
    void completeOnboarding();
    // Completes onboarding, then announces it to the whole application.
    void completeOnboardingWithNotification();

Q_SIGNALS:
    void hasCompletedOnboardingChanged();
    void userNameChanged();
    void preferredAIModelChanged();
    void autoLaunchAtLoginChanged();
    void showKeyboardShortcutsChanged();
    void keyboardShortcutChanged();

private:
    static void setupLoginItem();
    // The answers under their keys, in the order they are written.
    QList<std::pair<QString, QVariant>> answers() const;

    bool m_hasCompletedOnboarding = false;
    QString m_userName;
    QString m_preferredAIModel;
    bool m_autoLaunchAtLogin = false;
    bool m_showKeyboardShortcuts = false;
    QString m_keyboardShortcut;
    // The answers as loaded, or as last written.
    QList<std::pair<QString, QVariant>> m_loaded;
};
