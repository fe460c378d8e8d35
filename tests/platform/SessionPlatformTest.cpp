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
    // A part of the line that stops the start; empty when it goes on.
    QString fails = {};
};

QProcessEnvironment environmentOf(const QStringList &variables)
{
    QProcessEnvironment environment;
    for (const QString &variable : variables)
        environment.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    return environment;
}

// Only ":0" has an X server in these cases.
bool onlyZeroAnswers(const QString &display)
{
    return display == QLatin1String(":0");
}

void check(const Case &c)
{
    const SessionPlatform chosen
        = SessionPlatform::choose(environmentOf(c.environment), c.arguments, onlyZeroAnswers);
    EXPECT_EQ(chosen.platform, c.platform) << c.name;
    if (c.says.isEmpty())
        EXPECT_TRUE(chosen.logLine.isEmpty()) << c.name << ": " << chosen.logLine.toStdString();
    else
        EXPECT_TRUE(chosen.logLine.startsWith(QStringLiteral("⚠️ ")) && chosen.logLine.contains(c.says))
            << c.name << ": " << chosen.logLine.toStdString();
    if (c.fails.isEmpty()) {
        EXPECT_TRUE(chosen.failureLine.isEmpty()) << c.name << ": " << chosen.failureLine.toStdString();
    } else {
        EXPECT_TRUE(chosen.failureLine.startsWith(QStringLiteral("❌ "))
            && chosen.failureLine.contains(c.fails)
            && chosen.failureLine.contains(QStringLiteral("Pexilo needs X11")))
            << c.name << ": " << chosen.failureLine.toStdString();
        EXPECT_FALSE(chosen.failureLine.contains(u'\n')) << c.name;
    }
}

} // namespace

TEST(SessionPlatformTest, XWaylandWhereverWaylandWouldLeaveTheHotKeyAndCaptureWithoutX11)
{
    const QString noX11 = QStringLiteral("the Ctrl+Shift+2 hot key and screen captures will not work");
    const QString xWayland = QStringLiteral("⚠️ Wayland session: Pexilo runs on XWayland (DISPLAY :0)");
    const Case cases[] = {
        { "an X11 session", { "DISPLAY=:0", "XDG_SESSION_TYPE=x11" }, {}, {}, {} },
        { "Wayland with XWayland", { "DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0", "XDG_SESSION_TYPE=wayland" },
            {}, "xcb", xWayland },
        { "Wayland known only by its display", { "DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0" }, {}, "xcb",
            xWayland },
        { "Wayland known only by the session type", { "DISPLAY=:0", "XDG_SESSION_TYPE=wayland" }, {}, "xcb",
            xWayland },
        { "Wayland set for every program of the session",
            { "DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0", "QT_QPA_PLATFORM=wayland" }, {}, "xcb", xWayland },
        { "a list that tries Wayland first", { "DISPLAY=:0", "QT_QPA_PLATFORM=wayland;xcb" }, {}, "xcb",
            xWayland },
        { "xcb already set", { "DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0", "QT_QPA_PLATFORM=xcb" }, {}, {},
            {} },
        { "another platform set (tests)", { "WAYLAND_DISPLAY=wayland-0", "QT_QPA_PLATFORM=offscreen" }, {},
            {}, {} },
        { "the command line asks for xcb", { "DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0" },
            { "-platform", "xcb" }, {}, {} },
        { "the command line asks for Wayland", { "DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0" },
            { "-platform", "wayland" }, {}, noX11 },
        { "the command line's other spelling", { "WAYLAND_DISPLAY=wayland-0" }, { "--platform=offscreen" },
            {}, {} },
        { "the command line names the display", { "DISPLAY=:7" }, { "-display", ":0" }, {}, {} },
    };
    for (const Case &c : cases)
        check(c);
}

TEST(SessionPlatformTest, WithoutAnXDisplayToTalkToOneLineSaysWhatIsMissing)
{
    const Case cases[] = {
        { "no session variables at all", {}, {}, {}, {}, "DISPLAY is not set" },
        { "an X11 session without DISPLAY", { "XDG_SESSION_TYPE=x11" }, {}, {}, {}, "DISPLAY is not set" },
        { "a display nobody answers on", { "DISPLAY=:7" }, {}, {}, {}, "none answers on \":7\" (DISPLAY)" },
        { "the command line's display does not answer", { "DISPLAY=:0" }, { "-display", ":7" }, {}, {},
            "none answers on \":7\" (-display)" },
        { "Wayland without XWayland", { "WAYLAND_DISPLAY=wayland-0", "XDG_SESSION_TYPE=wayland" }, {}, {}, {},
            "Wayland session without XWayland (DISPLAY is not set)" },
        { "an empty DISPLAY is no XWayland", { "DISPLAY=", "WAYLAND_DISPLAY=wayland-0" }, {}, {}, {},
            "Wayland session without XWayland" },
        { "Wayland set, no XWayland", { "WAYLAND_DISPLAY=wayland-0", "QT_QPA_PLATFORM=wayland-egl" }, {}, {},
            {}, "Wayland session without XWayland" },
        { "an XWayland display that does not answer", { "DISPLAY=:7", "WAYLAND_DISPLAY=wayland-0" }, {}, {},
            {}, "none answers on \":7\"" },
        { "xcb set without a display", { "QT_QPA_PLATFORM=xcb" }, {}, {}, {}, "DISPLAY is not set" },
        { "the command line asks for xcb without a display", { "WAYLAND_DISPLAY=wayland-0" },
            { "-platform", "xcb" }, {}, {}, "DISPLAY is not set" },
    };
    for (const Case &c : cases)
        check(c);
}
