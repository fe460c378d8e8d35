// Another X client holding Ctrl+Shift+2, as a program that took the shortcut
// first would: prints "holding" once the grab is in place, then a line for
// each press of the key it gets, until it is killed.

#include "OtherX11Client.h"

#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

int main()
{
    OtherX11Client client;
    const quint16 controlShift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
    if (client.keycode2() == 0 || client.grab(controlShift) != 0) {
        std::fprintf(stderr, "could not grab Ctrl+Shift+2\n");
        return 1;
    }
    std::printf("holding\n");
    std::fflush(stdout);
    while (xcb_generic_event_t *event = client.waitForEvent()) {
        if ((event->response_type & ~0x80) == XCB_KEY_PRESS) {
            std::printf("pressed\n");
            std::fflush(stdout);
        }
        std::free(event);
    }
    return 0;
}
