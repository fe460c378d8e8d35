#include "OtherX11Client.h"

#include <QTest>

#include <cstdlib>
#include <xcb/xcb_keysyms.h>

namespace {
constexpr xcb_keysym_t keysym2 = 0x32;
}

OtherX11Client::OtherX11Client()
    : m_connection(xcb_connect(nullptr, nullptr))
{
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
    xcb_keycode_t *keycodes = xcb_key_symbols_get_keycode(symbols, keysym2);
    m_keycode2 = keycodes ? keycodes[0] : 0;
    std::free(keycodes);
    xcb_key_symbols_free(symbols);
}

OtherX11Client::~OtherX11Client()
{
    xcb_disconnect(m_connection);
}

void OtherX11Client::takeFocus()
{
    if (!m_window) {
        m_window = xcb_generate_id(m_connection);
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        const uint32_t events = XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_root, 0, 0, 40, 40, 0,
            XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK, &events);
        xcb_map_window(m_connection, m_window);
    }
    xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, m_window, XCB_CURRENT_TIME);
    // A reply comes only after the server has carried out the requests before it.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

int OtherX11Client::grab(quint16 modifiers)
{
    xcb_generic_error_t *error = xcb_request_check(m_connection,
        xcb_grab_key_checked(
            m_connection, 1, m_root, modifiers, m_keycode2, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    const int code = error ? error->error_code : 0;
    std::free(error);
    return code;
}

void OtherX11Client::ungrab(quint16 modifiers)
{
    xcb_ungrab_key(m_connection, m_keycode2, m_root, modifiers);
    xcb_flush(m_connection);
}

bool OtherX11Client::keyIsFree()
{
    if (grab(XCB_MOD_MASK_ANY) != 0)
        return false;
    ungrab(XCB_MOD_MASK_ANY);
    return true;
}

bool OtherX11Client::keyBecomesFree(int timeoutMs)
{
    return QTest::qWaitFor([this] { return keyIsFree(); }, timeoutMs);
}

void OtherX11Client::actAsCompositingManager()
{
    const xcb_window_t owner = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, owner, m_root, 0, 0, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const char name[] = "_NET_WM_CM_S0";
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, sizeof name - 1, name), nullptr);
    if (atom)
        xcb_set_selection_owner(m_connection, owner, atom->atom, XCB_CURRENT_TIME);
    std::free(atom);
    // A round trip: the selection is taken before this returns.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}
