#pragma once

// Whether a compositing manager draws the windows of the session, so that
// the clear parts of a translucent window show what lies behind it. Without
// one, an X server shows those parts black.
namespace Compositing {

// Asks the X server each time: a compositing manager can start or stop at
// any moment. True on platforms other than X11, which always composite.
bool isActive();

} // namespace Compositing
