#!/bin/bash
# x-session.sh [--screen <width>x<height>] [--server-args "<Xvfb arguments>"]
#              [--desktop] [--] <command> [<argument>...]
#
# Runs the command in an X server of its own and ends the server, and all
# that this script started beside it, when the command ends, whatever the
# outcome; the command's status is the script's.
#
# The server (Xvfb) chooses a free display number itself and writes it to a
# pipe (-displayfd) once it listens: no number is guessed from lock files, so
# servers started at the same time, by this run or by others, never take the
# same number. It listens only on the abstract local socket, which the kernel
# gives to one server alone and takes back when it ends, and never touches
# the socket files of /tmp/.X11-unix that other servers, maybe a desktop's,
# rely on. It lets in only clients that show this run's cookie (XAUTHORITY).
# The command begins only once the server has answered a request; when
# something is not ready in time, the script fails with a line that names it.
#
# --screen: the one screen's size, 1280x800 unless given.
# --server-args: further arguments for Xvfb; a -screen among them replaces
#   the one of --screen.
# --desktop: the desktop of a user's laptop around the command: openbox as
#   window manager and trayer as the panel along the top edge, which reserves
#   its height from the screen's available area and is the system tray. Each
#   is waited for before the command begins; TRAYER_PID names the panel's
#   process, for tests that take the tray away.
#
# DISPLAY, XAUTHORITY and, with --desktop, TRAYER_PID and PANEL_HEIGHT are
# set for the command.
set -u

screen=1280x800
server_args=""
desktop=false
while [ $# -gt 0 ]; do
    case $1 in
        --screen) screen=$2; shift 2 ;;
        --server-args) server_args=$2; shift 2 ;;
        --desktop) desktop=true; shift ;;
        --) shift; break ;;
        -*) echo "x-session: unknown option $1" >&2; exit 2 ;;
        *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "x-session: no command to run" >&2; exit 2; }

# Generous limits: on a machine busy with builds, Xvfb alone has taken three
# seconds to come up.
ready_seconds=60
PANEL_HEIGHT=32

scratch=$(mktemp -d "${TMPDIR:-/tmp}/pexilo-x.XXXXXX") || exit 1
pids=()
command_group=""

# Whether a process of the group still runs; ended ones that nobody has
# reaped yet do not count.
group_running() {
    ps -e -o pgid=,stat= | awk -v group="$1" '$1 == group && $2 !~ /^Z/ { found = 1 } END { exit !found }'
}

# Ends what was started, the last first, and waits for each to be gone, so
# that nothing of this run outlives it: the command's process group (the
# command and what it left running, the program under test, a fake
# service), then the panel, the window manager and the server.
clean_up() {
    local i deadline
    if [ -n "$command_group" ]; then
        kill -TERM -- "-$command_group" 2>/dev/null
        deadline=$((SECONDS + 10))
        while group_running "$command_group"; do
            if [ "$SECONDS" -ge "$deadline" ]; then
                kill -KILL -- "-$command_group" 2>/dev/null
                break
            fi
            sleep 0.1
        done
        wait "$command_group" 2>/dev/null
    fi
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -TERM "${pids[i]}" 2>/dev/null && wait "${pids[i]}" 2>/dev/null
    done
    rm -rf "$scratch"
}
trap clean_up EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# not_ready <what> <log file>: fails the run, naming what was not ready.
not_ready() {
    echo "x-session: $1" >&2
    if [ -s "$2" ]; then
        echo "--- $(basename "$2") ---" >&2
        cat "$2" >&2
    fi
    exit 1
}

# wait_for <seconds> <pid> <command...>: polls the command until it succeeds;
# fails when the deadline passes or the process pid has ended.
wait_for() {
    local deadline=$((SECONDS + $1)) pid=$2
    shift 2
    until "$@" >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || return 1
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

# --- The X server. ---
cookie=$(mcookie)
# The server takes every cookie of its authority file, whatever display the
# entry names; clients look theirs up by display, so their file is written
# once the number is known.
touch "$scratch/server-auth" "$scratch/Xauthority"
xauth -q -f "$scratch/server-auth" add :0 . "$cookie"
case " $server_args " in
    *" -screen "*) ;;
    *) server_args="-screen 0 ${screen}x24 $server_args" ;;
esac
mkfifo "$scratch/display"
# -noreset: by default the server resets itself each time its last client
# leaves, and a client that connects just then is dropped ("unable to open
# display"). A test's first window program starts beside short xdotool
# calls that wait for it, each of which leaves the server without a client.
# shellcheck disable=SC2086
Xvfb -displayfd 3 -noreset -nolisten tcp -nolisten unix -auth "$scratch/server-auth" $server_args \
    3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
xvfb_pid=$!
# The open returns once Xvfb holds the other end; the read ends with the
# number, at end of file when Xvfb ends first, or at the deadline.
exec {display_fd}<"$scratch/display"
read -r -t "$ready_seconds" -u "$display_fd" number
exec {display_fd}<&-
[[ ${number:-} =~ ^[0-9]+$ ]] || not_ready "Xvfb did not report a display within $ready_seconds s" "$scratch/xvfb.log"

export DISPLAY=":$number" XAUTHORITY="$scratch/Xauthority"
xauth -q -f "$XAUTHORITY" add "$DISPLAY" . "$cookie"
wait_for "$ready_seconds" "$xvfb_pid" xdpyinfo \
    || not_ready "the X server on $DISPLAY did not answer within $ready_seconds s" "$scratch/xvfb.log"

# root_property <name>: the root window's property as xprop prints it.
root_property() {
    xprop -root "$1" 2>/dev/null
}

# The window manager has taken the screen and finished starting: the root
# names its check window, that window names openbox, and openbox has run its
# start-up command. openbox names itself on the root early in its start, and
# a window mapped between that and the end of its start can be lost: under
# load, about one panel in thirty never showed.
openbox_ready() {
    local check
    [ -e "$scratch/openbox-started" ] || return 1
    check=$(root_property _NET_SUPPORTING_WM_CHECK) || return 1
    [[ $check =~ (0x[0-9a-f]+) ]] || return 1
    xprop -id "${BASH_REMATCH[1]}" _NET_WM_NAME 2>/dev/null | grep -q '"Openbox"'
}

# The panel is up: the tray's selection has an owner, and the window
# manager has taken the panel's height off the top of the available area.
panel_ready() {
    tray_owned && [[ $(root_property _NET_WORKAREA) =~ =\ 0,\ $PANEL_HEIGHT, ]]
}

tray_owned() {
    python3 - <<'EOF'
import ctypes, sys
x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XGetSelectionOwner.restype = ctypes.c_ulong
x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
display = x11.XOpenDisplay(None)
if not display:
    sys.exit(1)
owner = x11.XGetSelectionOwner(display, x11.XInternAtom(display, b"_NET_SYSTEM_TRAY_S0", 0))
sys.exit(0 if owner else 1)
EOF
}

if $desktop; then
    # openbox with its installed configuration, as a user who never changed
    # it has; not the configuration of whoever runs the tests.
    mkdir -p "$scratch/config"
    XDG_CONFIG_HOME="$scratch/config" openbox --sm-disable --startup "touch '$scratch/openbox-started'" \
        >"$scratch/openbox.log" 2>&1 &
    pids+=($!)
    wait_for "$ready_seconds" $! openbox_ready \
        || not_ready "openbox did not take the screen and finish starting within $ready_seconds s" "$scratch/openbox.log"

    trayer --edge top --align right --widthtype request --height "$PANEL_HEIGHT" --SetDockType true \
        --SetPartialStrut true --expand false --transparent false --tint 0xdddddd \
        >"$scratch/trayer.log" 2>&1 &
    pids+=($!)
    export TRAYER_PID=$! PANEL_HEIGHT
    wait_for "$ready_seconds" "$TRAYER_PID" panel_ready \
        || not_ready "the panel (trayer) did not come up within $ready_seconds s" "$scratch/trayer.log"
fi

# The command runs in the background, so that a TERM from ctest's time-out
# reaches this script at once, and as a job of its own (monitor mode): in a
# process group of its own, which the clean-up ends with all it left
# running, and with Ctrl+C not ignored as in a script's other background
# commands.
set -m
"$@" &
command_group=$!
set +m
wait "$command_group"
