#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

// Which of Qt's platforms the application starts on, and whether it can start
// at all. The hot key and the screen grab need X11: on a Wayland session Qt
// would pick its Wayland platform, where neither works, so the application
// asks for XWayland when the session has it. Without an X display to talk to
// it does not start: Qt would abort on its own, with advice that does not
// help (reinstalling).
struct SessionPlatform
{
    // The platform to ask Qt for with "-platform"; empty leaves Qt's choice.
    QString platform;
    // One line for the log; empty when there is nothing to say.
    QString logLine;
    // One "❌" line that says what is missing when the application cannot
    // start; then there is no log line besides it.
    QString failureLine;

    // Tells whether an X server answers on the named display.
    using DisplayCheck = std::function<bool(const QString &display)>;

    // Decides from the process's environment and command-line arguments
    // (without the program's name). A platform named on the command line is
    // kept; so is one named by QT_QPA_PLATFORM, unless it is Wayland, which
    // sessions often set for every program. When X11 is what will run, the
    // display (DISPLAY, or "-display" on the command line) must be set and
    // answer displayAnswers.
    static SessionPlatform choose(const QProcessEnvironment &environment, const QStringList &arguments,
        const DisplayCheck &displayAnswers);

    // Whether an X server accepts a connection on the display.
    static bool displayAnswers(const QString &display);

    bool operator==(const SessionPlatform &) const = default;
};
