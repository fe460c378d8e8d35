#include "platform/SessionPlatform.h"

#include <gtest/gtest.h>

namespace {

struct Case
{
    const char *name;
    QStringList environment; // NAME=value
    QStringList arguments;
    QString platform;
    // A part of the log line; empty for no line.
    QString says;
};

QProcessEnvironment environmentOf(const QStringList &variables)
{
    QProcessEnvironment environment;
    for (const QString &variable : variables)
        environment.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    return environment;
}

} // namespace

TEST(SessionPlatformTest, XWaylandWhereverWaylandWouldLeaveTheHotKeyAndCaptureWithoutX11)
{
    const QString noX11 = QStringLiteral("the Ctrl+Shift+2 hot key and screen captures will not work");
    const QString xWayland = QStringLiteral("⚠️ Wayland session: Pexilo runs on XWayland (DISPLAY :0)");
    const Case cases[] = {
        { "an X11 session", { "DISPLAY=:0", "XDG_SESSION_TYPE=x11" }, {}, {}, {} },
        { "no session variables at all", {}, {}, {}, {} },
        { "Wayland with XWayland", { "DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0", "XDG_SESSION_TYPE=wayland" },
            {}, "xcb", xWayland },
        { "Wayland known only by its display", { "DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0" }, {}, "xcb",
            xWayland },
        { "Wayland known only by the session type", { "DISPLAY=:0", "XDG_SESSION_TYPE=wayland" }, {}, "xcb",
            xWayland },
        { "Wayland without XWayland", { "WAYLAND_DISPLAY=wayland-0", "XDG_SESSION_TYPE=wayland" }, {}, {},
            noX11 },
        { "an empty DISPLAY is no XWayland", { "DISPLAY=", "WAYLAND_DISPLAY=wayland-0" }, {}, {}, noX11 },
        { "Wayland set for every program of the session",
            { "DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0", "QT_QPA_PLATFORM=wayland" }, {}, "xcb", xWayland },
        { "a list that tries Wayland first", { "DISPLAY=:0", "QT_QPA_PLATFORM=wayland;xcb" }, {}, "xcb",
            xWayland },
        { "Wayland set, no XWayland", { "WAYLAND_DISPLAY=wayland-0", "QT_QPA_PLATFORM=wayland-egl" }, {}, {},
            noX11 },
        { "xcb already set", { "DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0", "QT_QPA_PLATFORM=xcb" }, {}, {},
            {} },
        { "another platform set (tests)", { "WAYLAND_DISPLAY=wayland-0", "QT_QPA_PLATFORM=offscreen" }, {},
            {}, {} },
        { "the command line asks for xcb", { "WAYLAND_DISPLAY=wayland-0" }, { "-platform", "xcb" }, {}, {} },
        { "the command line asks for Wayland", { "DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0" },
            { "-platform", "wayland" }, {}, noX11 },
        { "the command line's other spelling", { "DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0" },
            { "--platform=offscreen" }, {}, {} },
    };
    for (const Case &c : cases) {
        const SessionPlatform chosen = SessionPlatform::choose(environmentOf(c.environment), c.arguments);
        EXPECT_EQ(chosen.platform, c.platform) << c.name;
        if (c.says.isEmpty())
            EXPECT_TRUE(chosen.logLine.isEmpty()) << c.name << ": " << chosen.logLine.toStdString();
        else
            EXPECT_TRUE(
                chosen.logLine.startsWith(QStringLiteral("⚠️ ")) && chosen.logLine.contains(c.says))
                << c.name << ": " << chosen.logLine.toStdString();
    }
}
