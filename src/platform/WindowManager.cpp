#include "WindowManager.h"

#include <QByteArray>
#include <QGuiApplication>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace {

struct FreeDeleter
{
    void operator()(void *pointer) const { std::free(pointer); }
};

xcb_atom_t atom(xcb_connection_t *connection, const QByteArray &name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, quint16(name.size()), name.constData()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The window that the property of `window` names, or none.
xcb_window_t windowProperty(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t property)
{
    const std::unique_ptr<xcb_get_property_reply_t, FreeDeleter> reply(xcb_get_property_reply(connection,
        xcb_get_property(connection, 0, window, property, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32
        || xcb_get_property_value_length(reply.get()) < int(sizeof(xcb_window_t)))
        return XCB_WINDOW_NONE;
    return *static_cast<const xcb_window_t *>(xcb_get_property_value(reply.get()));
}

} // namespace

namespace WindowManager {

bool isRunning()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !qGuiApp)
        return true;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection))
        return false;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return false;

    // The convention: the root names a window of the manager's, which names
    // itself in the same property. A manager that has ended leaves the root's
    // property behind, but not its window.
    const xcb_atom_t check = atom(connection, QByteArrayLiteral("_NET_SUPPORTING_WM_CHECK"));
    if (check == XCB_ATOM_NONE)
        return false;
    const xcb_window_t managerWindow = windowProperty(connection, screen->root, check);
    return managerWindow != XCB_WINDOW_NONE && windowProperty(connection, managerWindow, check) == managerWindow;
}

} // namespace WindowManager
