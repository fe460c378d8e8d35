// render-settings <folder> [--dark] [--unsaved]: draws the settings view at
// its window's size, once per category, into <folder>/<n>-<category>.png,
// from the settings stored in the defaults of $XDG_CONFIG_HOME. With
// --unsaved, another connection holds the file while the view saves, so
// that the settings wait to be stored and the view says so.

#include "platform/UserDefaults.h"
#include "settings/SettingsView.h"
#include "store/SettingsManager.h"
#include "ui/Palette.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStyleHints>
#include <QVBoxLayout>

#include <sqlite3.h>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        qWarning("usage: render-settings <folder> [--dark]");
        return 2;
    }
    if (arguments.contains(QStringLiteral("--dark"))) {
        QPalette dark = QApplication::palette();
        dark.setColor(QPalette::Window, QColor(50, 50, 50));
        dark.setColor(QPalette::WindowText, Qt::white);
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::Text, Qt::white);
        dark.setColor(QPalette::Button, QColor(70, 70, 70));
        dark.setColor(QPalette::ButtonText, Qt::white);
        QApplication::setPalette(dark);
    }
    const QDir folder(arguments.at(1));
    QDir().mkpath(folder.path());

    QWidget window;
    window.resize(900, 650);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *view = new SettingsView;
    layout->addWidget(view);
    window.show();

    sqlite3 *holder = nullptr;
    if (arguments.contains(QStringLiteral("--unsaved"))) {
        UserDefaults::standard().contains(QStringLiteral("userName")); // the file exists from here on
        sqlite3_open(QFile::encodeName(UserDefaults::standardPath()).constData(), &holder);
        sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        view->settings().setEnableScreenshotSearch(!view->settings().enableScreenshotSearch());
        view->settings().saveSettings();
    }

    int number = 1;
    for (const SettingsCategory category : SettingsCategories::allCases()) {
        view->selectCategory(category);
        QCoreApplication::processEvents();
        const QString name = SettingsCategories::title(category).toLower().replace(
            QStringLiteral(" & "), QStringLiteral("-"));
        if (!window.grab().save(folder.filePath(QStringLiteral("%1-%2.png").arg(number++).arg(name))))
            return 1;
    }
    // Leave the defaults as they were found: the switch that waits is lost
    // with the process, which quits without its last attempt.
    if (holder) {
        sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(holder);
    }
    return 0;
}
