#include "SettingsManager.h"

#include "platform/AppEvents.h"
#include "platform/AutostartEntry.h"
#include "platform/PendingDefaults.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

namespace {

// The sentence under "Launch at Login" when the choice cannot be carried out.
QString launchProblem(bool launch)
{
    const QString reason = AutostartEntry::problem(launch);
    if (reason.isEmpty())
        return {};
    return launch ? QStringLiteral("Pexilo cannot start at login: %1.").arg(reason)
                  : QStringLiteral("Pexilo still starts at login: %1.").arg(reason);
}

} // namespace

SettingsManager::SettingsManager(QObject *parent)
    : QObject(parent)
    , m_userName(SettingsKeys::userName.defaultValue)
    , m_keyboardShortcut(SettingsKeys::keyboardShortcut.defaultValue)
    , m_apiKey(SettingsKeys::apiKey.defaultValue)
    , m_preferredModel(SettingsKeys::preferredModel.defaultValue)
    , m_screenshotQuality(SettingsKeys::screenshotQuality.defaultValue)
{
    loadSettings();
}

void SettingsManager::loadSettings()
{
    // A Boolean key that was never written reads false, also for the two
    // settings that start out true before the first load.
    const UserDefaults &defaults = UserDefaults::standard();
    setUserName(SettingsKeys::userName.read(defaults));
    // The switch shows what the desktop does at the next login: whether our
    // entry is there, whatever was stored (the entry may have failed, or been
    // removed since). A choice still waiting to be stored shows as chosen.
    const bool chosen = SettingsKeys::autoLaunchAtLogin.read(defaults);
    const bool waiting
        = PendingDefaults::unsavedValue(defaults, SettingsKeys::autoLaunchAtLogin.name).has_value();
    const bool launches = waiting ? chosen : AutostartEntry::isInstalled();
    setAutoLaunchAtLogin(launches);
    setKeyboardShortcut(SettingsKeys::keyboardShortcut.read(defaults));
    setApiKey(SettingsKeys::apiKey.read(defaults));
    setPreferredModel(SettingsKeys::preferredModel.read(defaults));
    setShowKeyboardShortcuts(SettingsKeys::showKeyboardShortcuts.read(defaults));
    setAutoSaveScreenshots(SettingsKeys::autoSaveScreenshots.read(defaults));
    setScreenshotQuality(SettingsKeys::screenshotQuality.read(defaults));
    setEnableWorkflowAutomation(SettingsKeys::enableWorkflowAutomation.read(defaults));
    setFigmaPaletteExtraction(SettingsKeys::figmaPaletteExtraction.read(defaults));
    setAutoCSVExport(SettingsKeys::autoCSVExport.read(defaults));
    setEnableScreenshotSearch(SettingsKeys::enableScreenshotSearch.read(defaults));

    m_stored.clear();
    for (const auto &[key, value] : currentValues())
        m_stored.insert(key, value);
    setAutoLaunchProblem(chosen == launches ? QString() : launchProblem(chosen));
}

void SettingsManager::saveSettings()
{
    write(currentValues());
    AppEvents::instance().postSettingsSaved();
}

void SettingsManager::chooseAutoLaunchAtLogin(bool launch)
{
    // Asked now rather than when the window closes, so that the user sees
    // at once that the choice cannot be carried out, and why.
    const QString problem = launchProblem(launch);
    setAutoLaunchAtLogin(problem.isEmpty() ? launch : !launch);
    setAutoLaunchProblem(problem);
}

void SettingsManager::saveAPIKey(const QString &entered)
{
    setApiKey(enteredAPIKey(entered));
    write({ { SettingsKeys::apiKey.name, m_apiKey } });
}

QString SettingsManager::enteredAPIKey(const QString &text)
{
    QString key = text;
    key.removeIf([](QChar c) {
        return c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == QChar(0x85)
            || c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph;
    });
    return key.trimmed();
}

QList<std::pair<QString, QVariant>> SettingsManager::currentValues() const
{
    return {
        { SettingsKeys::userName.name, m_userName },
        { SettingsKeys::autoLaunchAtLogin.name, m_autoLaunchAtLogin },
        { SettingsKeys::keyboardShortcut.name, m_keyboardShortcut },
        { SettingsKeys::apiKey.name, m_apiKey },
        { SettingsKeys::preferredModel.name, m_preferredModel },
        { SettingsKeys::showKeyboardShortcuts.name, m_showKeyboardShortcuts },
        { SettingsKeys::autoSaveScreenshots.name, m_autoSaveScreenshots },
        { SettingsKeys::screenshotQuality.name, m_screenshotQuality },
        { SettingsKeys::enableWorkflowAutomation.name, m_enableWorkflowAutomation },
        { SettingsKeys::figmaPaletteExtraction.name, m_figmaPaletteExtraction },
        { SettingsKeys::autoCSVExport.name, m_autoCSVExport },
        { SettingsKeys::enableScreenshotSearch.name, m_enableScreenshotSearch },
    };
}

void SettingsManager::write(const QList<std::pair<QString, QVariant>> &values)
{
    // Only what changed here: a key that this store merely loaded may have
    // been stored anew by someone else since (onboarding, another window).
    QList<std::pair<QString, QVariant>> changed;
    for (const auto &[key, value] : values) {
        const auto stored = m_stored.constFind(key);
        if (stored == m_stored.cend() || *stored != value) {
            changed.append({ key, value });
            m_stored.insert(key, value);
        }
    }
    if (changed.isEmpty())
        return;
    // A switch that starts nothing would report a choice the desktop never
    // learnt of, and an entry for a choice that was not stored would start
    // the program against what the next start reads: the entry follows the
    // choice once it is stored.
    const bool launch = m_autoLaunchAtLogin;
    PendingDefaults::standard().setObjects(changed, [launch](const QStringList &stored) {
        if (stored.contains(QString(SettingsKeys::autoLaunchAtLogin.name)))
            AutostartEntry::apply(launch);
    });
}

void SettingsManager::setAutoLaunchProblem(const QString &problem)
{
    m_autoLaunchProblem = problem;
    Q_EMIT autoLaunchProblemChanged();
}
