#pragma once

// The application: a tray icon and the windows opened from it. There is no
// main window; closing the last window leaves the process running, and only
// "Quit Pexilo" (or SIGTERM) ends it.
class PexiloApp
{
public:
    // Runs the application; returns the process's exit status.
    static int main(int argc, char *argv[]);
};
