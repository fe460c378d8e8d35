#pragma once

#include <QtGlobal>

#include <xcb/xcb.h>

// Another program on the same X display, with a connection of its own: it
// can hold grabs of the "2" key that the program under test then meets, hold
// the keyboard focus with a window of its own, or stand in for a compositing
// manager.
class OtherX11Client
{
public:
    OtherX11Client();
    ~OtherX11Client();
    OtherX11Client(const OtherX11Client &) = delete;
    OtherX11Client &operator=(const OtherX11Client &) = delete;

    xcb_keycode_t keycode2() const { return m_keycode2; }

    // The X error code of grabbing the "2" key with these modifiers, or 0.
    int grab(quint16 modifiers);
    void ungrab(quint16 modifiers);

    // Maps a small window and gives it the keyboard focus, so that keys no
    // grab takes go to this program.
    void takeFocus();

    // The next event for this program; null once the connection is gone.
    xcb_generic_event_t *waitForEvent() { return xcb_wait_for_event(m_connection); }

    // True when no other program holds any grab of the "2" key: a grab with
    // every modifier combination at once succeeds only then.
    bool keyIsFree();
    // Waits for the key to become free: the program under test releases its
    // grabs on a connection of its own, which the server may serve later.
    bool keyBecomesFree(int timeoutMs = 2000);

    // Takes the selection that a compositing manager of the first screen
    // holds (_NET_WM_CM_S0), as such a manager does when it starts; the
    // client gives it up when it goes.
    void actAsCompositingManager();

private:
    xcb_connection_t *m_connection;
    xcb_window_t m_root = 0;
    xcb_window_t m_window = 0;
    xcb_keycode_t m_keycode2 = 0;
};
