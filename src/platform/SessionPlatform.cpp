#include "SessionPlatform.h"

#include <xcb/xcb.h>

namespace {

const QString xcb = QStringLiteral("xcb");

bool isWayland(const QString &platform)
{
    return platform.startsWith(QLatin1String("wayland"));
}

// The value the command line gives an option of Qt's ("-platform xcb",
// "--platform=xcb"), or an empty string.
QString commandLineValue(const QStringList &arguments, const QString &option)
{
    const QString single = QLatin1Char('-') + option;
    const QString doubled = QStringLiteral("--") + option;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString &argument = arguments.at(index);
        if ((argument == single || argument == doubled) && index + 1 < arguments.size())
            return arguments.at(index + 1);
        for (const QString &prefix : { single + QLatin1Char('='), doubled + QLatin1Char('=') }) {
            if (argument.startsWith(prefix))
                return argument.mid(prefix.size());
        }
    }
    return {};
}

// Said once at start, so that a hot key that does nothing has its reason in the log.
QString onWayland(const QString &why)
{
    return QStringLiteral("⚠️ %1: the Ctrl+Shift+2 hot key and screen captures will not work").arg(why);
}

const QString needsX11 = QStringLiteral("Pexilo needs X11 (an X11 session, or XWayland on Wayland) for its "
                                        "Ctrl+Shift+2 hot key and screen captures");

// X11 will run: the display must be named and answer; else the one line
// that says which of the two is missing.
SessionPlatform onX11(SessionPlatform chosen, const QString &display, const QString &displaySource,
    const SessionPlatform::DisplayCheck &displayAnswers)
{
    if (display.isEmpty())
        return { {}, {}, QStringLiteral("❌ No X display: %1 is not set. %2").arg(displaySource, needsX11) };
    if (displayAnswers && !displayAnswers(display))
        return { {}, {},
            QStringLiteral("❌ No X display: none answers on \"%1\" (%2). %3")
                .arg(display, displaySource, needsX11) };
    return chosen;
}

} // namespace

SessionPlatform SessionPlatform::choose(
    const QProcessEnvironment &environment, const QStringList &arguments, const DisplayCheck &displayAnswers)
{
    // Qt's own option names the display before DISPLAY does.
    QString display = commandLineValue(arguments, QStringLiteral("display"));
    const QString displaySource = display.isEmpty() ? QStringLiteral("DISPLAY") : QStringLiteral("-display");
    if (display.isEmpty())
        display = environment.value(QStringLiteral("DISPLAY"));

    const QString asked = commandLineValue(arguments, QStringLiteral("platform"));
    if (!asked.isEmpty()) {
        if (isWayland(asked))
            return { {}, onWayland(QStringLiteral("Starting on Wayland as the command line asks")), {} };
        if (asked == xcb)
            return onX11({}, display, displaySource, displayAnswers);
        return {};
    }

    // A list ("wayland;xcb") is tried in order; its first entry is what runs.
    const QString fromEnvironment
        = environment.value(QStringLiteral("QT_QPA_PLATFORM")).section(QLatin1Char(';'), 0, 0).trimmed();
    if (!fromEnvironment.isEmpty() && !isWayland(fromEnvironment)) {
        if (fromEnvironment == xcb)
            return onX11({}, display, displaySource, displayAnswers);
        return {};
    }

    const bool waylandSession = !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()
        || environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland")
        || isWayland(fromEnvironment);
    // Elsewhere Qt's own choice is X11.
    if (!waylandSession)
        return onX11({}, display, displaySource, displayAnswers);
    if (display.isEmpty())
        return { {}, {},
            QStringLiteral("❌ Wayland session without XWayland (DISPLAY is not set). %1").arg(needsX11) };
    return onX11({ xcb,
                     QStringLiteral("⚠️ Wayland session: Pexilo runs on XWayland (DISPLAY %1), where the "
                                    "compositor decides whether Ctrl+Shift+2 and screen captures work")
                         .arg(display),
                     {} },
        display, displaySource, displayAnswers);
}

bool SessionPlatform::displayAnswers(const QString &display)
{
    xcb_connection_t *connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}
