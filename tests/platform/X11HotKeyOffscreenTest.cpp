#include "platform/X11HotKey.h"

#include <gtest/gtest.h>

// The offscreen platform offers the X11 native interface without a connection
// behind it; the hot key must see that rather than reach for the server.
TEST(X11HotKeyOffscreenTest, RegistrationWithoutAnX11SessionFailsQuietly)
{
    X11HotKey hotKey;
    EXPECT_EQ(hotKey.registerHotKey(X11HotKey::Keysym2, Qt::ControlModifier | Qt::ShiftModifier),
        X11HotKey::NoX11Connection);
    EXPECT_FALSE(hotKey.isRegistered());
    hotKey.unregisterHotKey();
    hotKey.unregisterHotKey();
}
