#!/bin/sh
# Runs a test program in an X server of its own, on Qt's xcb platform.
# Extra server arguments can come from PEXILO_XVFB_ARGS.
set -eu
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "${PEXILO_XVFB_ARGS:--screen 0 1280x800x24 -nolisten tcp}" "$@"
