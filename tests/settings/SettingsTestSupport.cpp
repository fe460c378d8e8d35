#include "SettingsTestSupport.h"

#include "platform/AutostartEntry.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "settings/SidebarItem.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <QVBoxLayout>

void clearStoredSettings()
{
    UserDefaults &defaults = UserDefaults::standard();
    for (const QLatin1StringView key : { SettingsKeys::userName.name, SettingsKeys::autoLaunchAtLogin.name,
             SettingsKeys::keyboardShortcut.name, SettingsKeys::apiKey.name,
             SettingsKeys::preferredModel.name, SettingsKeys::showKeyboardShortcuts.name,
             SettingsKeys::autoSaveScreenshots.name, SettingsKeys::screenshotQuality.name,
             SettingsKeys::enableWorkflowAutomation.name, SettingsKeys::figmaPaletteExtraction.name,
             SettingsKeys::autoCSVExport.name, SettingsKeys::enableScreenshotSearch.name,
             SettingsKeys::hasCompletedOnboarding.name, SettingsKeys::preferredAIModel.name })
        defaults.removeObject(key);
}

void SettingsFixture::SetUp()
{
    clearStoredSettings();
    QFile::remove(AutostartEntry::path());
}

void SettingsFixture::TearDown()
{
    delete m_window.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QFile::remove(AutostartEntry::path());
}

SettingsView &SettingsFixture::openWindow()
{
    if (m_window) {
        m_window->close();
        m_window->deleteLater();
    }
    m_window = new QWidget;
    m_window->setWindowTitle(QStringLiteral("Pexilo Settings"));
    m_window->resize(900, 650);
    auto *layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new SettingsView;
    layout->addWidget(m_view);
    m_window->show();
    return *m_view;
}

void SettingsFixture::closeWindow()
{
    m_window->close();
}

void SettingsFixture::select(SettingsCategory category)
{
    for (SidebarItem *item : m_view->sidebarItems()) {
        if (item->category() == category)
            QTest::mouseClick(item, Qt::LeftButton);
    }
}

ModernSettingsRow *SettingsFixture::row(const QString &title) const
{
    for (ModernSettingsRow *candidate : m_view->currentPanel()->rows()) {
        if (candidate->title() == title)
            return candidate;
    }
    return nullptr;
}
