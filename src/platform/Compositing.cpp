#include "Compositing.h"

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

// The screen the display name selects (":0.1" is screen 1).
int screenNumber()
{
    char *host = nullptr;
    int display = 0;
    int screen = 0;
    if (!xcb_parse_display(nullptr, &host, &display, &screen))
        return 0;
    std::free(host);
    return screen;
}

} // namespace

namespace Compositing {

bool isActive()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !qGuiApp)
        return true;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection))
        return false;

    // The convention: a compositing manager owns the selection _NET_WM_CM_S<screen>.
    const QByteArray selection = "_NET_WM_CM_S" + QByteArray::number(screenNumber());
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> atom(xcb_intern_atom_reply(connection,
        xcb_intern_atom(connection, 0, quint16(selection.size()), selection.constData()), nullptr));
    if (!atom)
        return false;
    const std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

} // namespace Compositing
