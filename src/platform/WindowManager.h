#pragma once

// Whether a window manager runs in the session, that is, whether windows
// get a frame (a title bar and borders) around what the program draws.
namespace WindowManager {

// Asks the X server each time: a window manager can start or stop at any
// moment. True on platforms other than X11, whose windows always have one.
bool isRunning();

} // namespace WindowManager
