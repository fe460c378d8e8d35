// send-close-request <window-id>: asks the X11 window to close the way a
// window manager does when the user clicks its title bar's close button: a
// WM_PROTOCOLS client message carrying WM_DELETE_WINDOW. The window's
// program decides what to do; nothing is destroyed from outside.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: send-close-request <window-id>\n");
        return 2;
    }
    const xcb_window_t window = xcb_window_t(std::strtoul(argv[1], nullptr, 0));
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "cannot reach the X server\n");
        return 1;
    }
    xcb_client_message_event_t event {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(connection, "WM_PROTOCOLS");
    event.data.data32[0] = atom(connection, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    const xcb_void_cookie_t sent = xcb_send_event_checked(
        connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
    xcb_generic_error_t *error = xcb_request_check(connection, sent);
    const int status = error ? 1 : 0;
    if (error)
        std::fprintf(stderr, "the X server refused the message (error %d)\n", error->error_code);
    std::free(error);
    xcb_disconnect(connection);
    return status;
}
