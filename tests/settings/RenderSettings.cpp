// render-settings <folder> [--dark]: draws the settings view at its window's
// size, once per category, into <folder>/<n>-<category>.png, from the
// settings stored in the defaults of $XDG_CONFIG_HOME.

#include "settings/SettingsView.h"
#include "ui/Palette.h"

#include <QApplication>
#include <QDir>
#include <QStyleHints>
#include <QVBoxLayout>

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

    int number = 1;
    for (const SettingsCategory category : SettingsCategories::allCases()) {
        view->selectCategory(category);
        QCoreApplication::processEvents();
        const QString name = SettingsCategories::title(category).toLower().replace(
            QStringLiteral(" & "), QStringLiteral("-"));
        if (!window.grab().save(folder.filePath(QStringLiteral("%1-%2.png").arg(number++).arg(name))))
            return 1;
    }
    // Leave the defaults as they were found.
    return 0;
}
