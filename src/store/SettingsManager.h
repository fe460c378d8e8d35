#pragma once

#include "platform/PublishedProperty.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <utility>

// The user's settings, each kept in the user defaults under its key in
// SettingsKeys, spelled like the setting. Every owner makes its own store; stores share state only
// through the user defaults, when one saves and another loads afterwards.
//
// A store loads when it is made and whenever its owner asks, and writes only
// when its owner asks (the API key also as the user enters it). A save
// writes only the settings that changed since the store last loaded or
// saved, so that two windows open at once (Settings and onboarding) keep
// each other's answers. An assignment changes the store in memory only.
//
// Writes go through PendingDefaults: what the file does not take at once is
// kept and written later, and every reader in the process sees it meanwhile.
//
// "autoLaunchAtLogin" shows whether our autostart entry is really in place
// (or the user's choice while that waits to be stored), not the stored
// value alone; autoLaunchProblem() says why it differs from the choice.
//
// Every assignment, also of an equal value, stores the value and then emits
// the setting's change signal.
class SettingsManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString userName READ userName WRITE setUserName NOTIFY userNameChanged)
    Q_PROPERTY(bool autoLaunchAtLogin READ autoLaunchAtLogin WRITE setAutoLaunchAtLogin NOTIFY
            autoLaunchAtLoginChanged)
    Q_PROPERTY(QString keyboardShortcut READ keyboardShortcut WRITE setKeyboardShortcut NOTIFY
            keyboardShortcutChanged)
    Q_PROPERTY(QString apiKey READ apiKey WRITE setApiKey NOTIFY apiKeyChanged)
    Q_PROPERTY(
        QString preferredModel READ preferredModel WRITE setPreferredModel NOTIFY preferredModelChanged)
    Q_PROPERTY(bool showKeyboardShortcuts READ showKeyboardShortcuts WRITE setShowKeyboardShortcuts NOTIFY
            showKeyboardShortcutsChanged)
    Q_PROPERTY(bool autoSaveScreenshots READ autoSaveScreenshots WRITE setAutoSaveScreenshots NOTIFY
            autoSaveScreenshotsChanged)
    Q_PROPERTY(QString screenshotQuality READ screenshotQuality WRITE setScreenshotQuality NOTIFY
            screenshotQualityChanged)
    Q_PROPERTY(bool enableWorkflowAutomation READ enableWorkflowAutomation WRITE setEnableWorkflowAutomation
            NOTIFY enableWorkflowAutomationChanged)
    Q_PROPERTY(bool figmaPaletteExtraction READ figmaPaletteExtraction WRITE setFigmaPaletteExtraction NOTIFY
            figmaPaletteExtractionChanged)
    Q_PROPERTY(bool autoCSVExport READ autoCSVExport WRITE setAutoCSVExport NOTIFY autoCSVExportChanged)
    Q_PROPERTY(bool enableScreenshotSearch READ enableScreenshotSearch WRITE setEnableScreenshotSearch NOTIFY
            enableScreenshotSearchChanged)

public:
    // Starts from the defaults, then loads.
    explicit SettingsManager(QObject *parent = nullptr);

    // Assigns every setting from the user defaults: a text setting its stored
    // text (an empty one included) or its default when none is stored, a
    // Boolean setting its stored value or false; "autoLaunchAtLogin" as
    // above.
    void loadSettings();
    // Writes the settings that changed, in one write; once a changed
    // "autoLaunchAtLogin" is stored, puts the desktop's autostart entry in
    // place or takes ours away to match it. Announces the save
    // (AppEvents::settingsSaved).
    void saveSettings();

    // The user's choice of the switch: taken when it can be carried out;
    // otherwise the switch stays as it is and autoLaunchProblem() says why.
    void chooseAutoLaunchAtLogin(bool launch);
    // Why "Launch at Login" does not show the user's choice: a sentence, or
    // empty.
    QString autoLaunchProblem() const { return m_autoLaunchProblem; }

    // The key as the user entered it, stored at once, so that the next
    // question uses it while the window is still open.
    void saveAPIKey(const QString &entered);
    // The key without its line breaks (a pasted key may carry one) and the
    // white space around it.
    static QString enteredAPIKey(const QString &text);

    QString userName() const { return m_userName; }
    void setUserName(const QString &value)
    {
        PublishedProperty::write(this, m_userName, value, &SettingsManager::userNameChanged);
    }

    bool autoLaunchAtLogin() const { return m_autoLaunchAtLogin; }
    void setAutoLaunchAtLogin(bool value)
    {
        PublishedProperty::write(
            this, m_autoLaunchAtLogin, value, &SettingsManager::autoLaunchAtLoginChanged);
    }

    // Display text only: the hot key does not follow it.
    QString keyboardShortcut() const { return m_keyboardShortcut; }
    void setKeyboardShortcut(const QString &value)
    {
        PublishedProperty::write(this, m_keyboardShortcut, value, &SettingsManager::keyboardShortcutChanged);
    }

    QString apiKey() const { return m_apiKey; }
    void setApiKey(const QString &value)
    {
        PublishedProperty::write(this, m_apiKey, value, &SettingsManager::apiKeyChanged);
    }

    QString preferredModel() const { return m_preferredModel; }
    void setPreferredModel(const QString &value)
    {
        PublishedProperty::write(this, m_preferredModel, value, &SettingsManager::preferredModelChanged);
    }

    bool showKeyboardShortcuts() const { return m_showKeyboardShortcuts; }
    void setShowKeyboardShortcuts(bool value)
    {
        PublishedProperty::write(
            this, m_showKeyboardShortcuts, value, &SettingsManager::showKeyboardShortcutsChanged);
    }

    bool autoSaveScreenshots() const { return m_autoSaveScreenshots; }
    void setAutoSaveScreenshots(bool value)
    {
        PublishedProperty::write(
            this, m_autoSaveScreenshots, value, &SettingsManager::autoSaveScreenshotsChanged);
    }

    QString screenshotQuality() const { return m_screenshotQuality; }
    void setScreenshotQuality(const QString &value)
    {
        PublishedProperty::write(
            this, m_screenshotQuality, value, &SettingsManager::screenshotQualityChanged);
    }

    bool enableWorkflowAutomation() const { return m_enableWorkflowAutomation; }
    void setEnableWorkflowAutomation(bool value)
    {
        PublishedProperty::write(
            this, m_enableWorkflowAutomation, value, &SettingsManager::enableWorkflowAutomationChanged);
    }

    bool figmaPaletteExtraction() const { return m_figmaPaletteExtraction; }
    void setFigmaPaletteExtraction(bool value)
    {
        PublishedProperty::write(
            this, m_figmaPaletteExtraction, value, &SettingsManager::figmaPaletteExtractionChanged);
    }

    bool autoCSVExport() const { return m_autoCSVExport; }
    void setAutoCSVExport(bool value)
    {
        PublishedProperty::write(this, m_autoCSVExport, value, &SettingsManager::autoCSVExportChanged);
    }

    bool enableScreenshotSearch() const { return m_enableScreenshotSearch; }
    void setEnableScreenshotSearch(bool value)
    {
        PublishedProperty::write(
            this, m_enableScreenshotSearch, value, &SettingsManager::enableScreenshotSearchChanged);
    }

Q_SIGNALS:
    void userNameChanged();
    void autoLaunchAtLoginChanged();
    void keyboardShortcutChanged();
    void apiKeyChanged();
    void preferredModelChanged();
    void showKeyboardShortcutsChanged();
    void autoSaveScreenshotsChanged();
    void screenshotQualityChanged();
    void enableWorkflowAutomationChanged();
    void figmaPaletteExtractionChanged();
    void autoCSVExportChanged();
    void enableScreenshotSearchChanged();
    void autoLaunchProblemChanged();

private:
    // Every setting under its key, in the order of the table.
    QList<std::pair<QString, QVariant>> currentValues() const;
    // Writes the settings of `values` that differ from what the store last
    // loaded or saved.
    void write(const QList<std::pair<QString, QVariant>> &values);
    void setAutoLaunchProblem(const QString &problem);

    QString m_userName;
    bool m_autoLaunchAtLogin = false;
    QString m_keyboardShortcut;
    QString m_apiKey;
    QString m_preferredModel;
    bool m_showKeyboardShortcuts = true;
    bool m_autoSaveScreenshots = true;
    QString m_screenshotQuality;
    bool m_enableWorkflowAutomation = false;
    bool m_figmaPaletteExtraction = false;
    bool m_autoCSVExport = false;
    bool m_enableScreenshotSearch = false;

    // What each setting held when the store last loaded or saved it.
    QHash<QString, QVariant> m_stored;
    QString m_autoLaunchProblem;
};
