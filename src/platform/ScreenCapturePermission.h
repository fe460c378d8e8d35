#pragma once

#include <functional>

// Whether the program may read the screen's contents. An X11 session has no
// such permission: any client may read the screen, so it is always granted.
// A Wayland session gives no X11 path to the screen, so it is never granted.
namespace ScreenCapturePermission {

// Whether the permission is granted, without asking anyone.
bool preflight();

// Asks for the permission where a session could grant it; returns whether it
// is granted now.
bool request();

// Where the answers come from: the session's own, unless tests put others in
// place. An empty function falls back to the session's answer.
struct Source
{
    std::function<bool()> preflight;
    std::function<bool()> request;
};

// Puts the source in place and returns the one it replaces; a default
// source restores the session's own answers.
Source setSource(Source source);

} // namespace ScreenCapturePermission
