#include "SessionPlatform.h"

namespace {

const QString xcb = QStringLiteral("xcb");

bool isWayland(const QString &platform)
{
    return platform.startsWith(QLatin1String("wayland"));
}

// The platform the command line names, or an empty string.
QString commandLinePlatform(const QStringList &arguments)
{
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString &argument = arguments.at(index);
        if ((argument == QLatin1String("-platform") || argument == QLatin1String("--platform"))
            && index + 1 < arguments.size())
            return arguments.at(index + 1);
        for (const QLatin1String prefix : { QLatin1String("-platform="), QLatin1String("--platform=") }) {
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

} // namespace

SessionPlatform SessionPlatform::choose(const QProcessEnvironment &environment, const QStringList &arguments)
{
    const QString asked = commandLinePlatform(arguments);
    if (!asked.isEmpty()) {
        if (isWayland(asked))
            return { {}, onWayland(QStringLiteral("Starting on Wayland as the command line asks")) };
        return {};
    }

    // A list ("wayland;xcb") is tried in order; its first entry is what runs.
    const QString fromEnvironment
        = environment.value(QStringLiteral("QT_QPA_PLATFORM")).section(QLatin1Char(';'), 0, 0).trimmed();
    if (!fromEnvironment.isEmpty() && !isWayland(fromEnvironment))
        return {};

    const bool waylandSession = !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()
        || environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland")
        || isWayland(fromEnvironment);
    if (!waylandSession)
        return {};
    const QString display = environment.value(QStringLiteral("DISPLAY"));
    if (display.isEmpty())
        return { {}, onWayland(QStringLiteral("Wayland session without XWayland (DISPLAY is not set)")) };
    return { xcb,
        QStringLiteral(
            "⚠️ Wayland session: Pexilo runs on XWayland (DISPLAY %1), where the compositor decides "
            "whether Ctrl+Shift+2 and screen captures work")
            .arg(display) };
}
