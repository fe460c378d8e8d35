#pragma once

// Whether the program may read the screen's contents. An X11 session has no
// such permission: any client may read the screen, so it is always granted.
// A Wayland session gives no X11 path to the screen, so it is never granted.
namespace ScreenCapturePermission {

bool preflight();

// Asks for the permission where a session could grant it; returns whether it
// is granted now.
bool request();

} // namespace ScreenCapturePermission
