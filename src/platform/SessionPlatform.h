#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Which of Qt's platforms the application starts on. The hot key and the
// screen grab need X11: on a Wayland session Qt would pick its Wayland
// platform, where neither works, so the application asks for XWayland when
// the session has it, and says what will not work when it does not.
struct SessionPlatform
{
    // The platform to ask Qt for with "-platform"; empty leaves Qt's choice.
    QString platform;
    // One line for the log; empty when there is nothing to say.
    QString logLine;

    // Decides from the process's environment and command-line arguments
    // (without the program's name). A platform named on the command line is
    // kept; so is one named by QT_QPA_PLATFORM, unless it is Wayland, which
    // sessions often set for every program.
    static SessionPlatform choose(const QProcessEnvironment &environment, const QStringList &arguments);

    bool operator==(const SessionPlatform &) const = default;
};
