#!/bin/sh
# Runs a test program in an X server of its own, on Qt's xcb platform, with
# no window manager. These programs test our own requests to the server (the
# hot key's grabs, the keyboard grab, screen grabs, the compositing manager's
# selection) and set the input focus and place their windows themselves
# between a case's steps; a window manager would hand the focus to each new
# window and place it as it likes, and the cases would test that instead.
# Extra server arguments can come from PEXILO_XVFB_ARGS (a -screen among
# them sets the screen's size).
set -eu
# Listing the cases, which ctest does before a run within five seconds,
# draws nothing: it needs no server.
case " $* " in
    *" --gtest_list_tests "*) QT_QPA_PLATFORM=offscreen exec "$@" ;;
esac
export QT_QPA_PLATFORM=xcb
exec "$(dirname "$0")/x-session.sh" --server-args "${PEXILO_XVFB_ARGS:-}" -- "$@"
