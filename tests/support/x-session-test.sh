#!/bin/bash
# The harness that gives every X test its own server (x-session.sh): the
# command runs once the server answers, on a display of its own that only
# this run's clients may open, with the desktop when asked, and nothing of
# the session outlives it.
set -u
session="$(cd "$(dirname "$0")" && pwd)/x-session.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAIL: $what" >&2
        failures=$((failures + 1))
    fi
}

# The command's status comes back; the screen has the size asked for; a
# client without this run's cookie is turned away.
own_server() {
    "$session" --screen 1366x768 bash -c '
        [ "$(xdotool getdisplaygeometry)" = "1366 768" ] || exit 1
        XAUTHORITY=/dev/null xdpyinfo >/dev/null 2>&1 && exit 2
        exit 7'
    [ $? -eq 7 ]
}
check "the command runs on a server of its own and its status comes back" own_server

# Programs opening and closing the display at once, as a test's first window
# program starts beside the xdotool calls that wait for it: every one of
# them gets the display, even as each leaves the server without a client.
every_client_connects() {
    local output
    output=$("$session" bash -c '
        for loop in 1 2 3 4 5 6 7 8; do
            (
                for i in $(seq 1 50); do
                    xdotool getdisplaygeometry >/dev/null 2>&1 || echo refused
                done
            ) &
        done
        wait
        echo finished') || return 1
    [ "$output" = finished ] || { echo "$(grep -c refused <<<"$output") of 400 clients were turned away" >&2; return 1; }
}
check "no client that opens the display is turned away" every_client_connects

# Sessions started together each get a display of their own.
separate_displays() {
    local i
    for i in 1 2 3; do
        "$session" bash -c 'echo "$DISPLAY" >"$0"; sleep 2' "$scratch/display-$i" &
    done
    wait
    [ "$(sort -u "$scratch"/display-* | wc -l)" -eq 3 ]
}
check "sessions started together get displays of their own" separate_displays

# The desktop: openbox manages the screen and the panel along the top takes
# its height off the available area, both before the command begins.
desktop_ready() {
    "$session" --desktop bash -c '
        kill -0 "$TRAYER_PID" || exit 1
        check=$(xprop -root _NET_SUPPORTING_WM_CHECK) || exit 1
        xprop -id "${check##* }" _NET_WM_NAME | grep -q "\"Openbox\"" || exit 1
        xprop -root _NET_WORKAREA | grep -q "= 0, $PANEL_HEIGHT, 1280, $((800 - PANEL_HEIGHT)),"'
}
check "the desktop has openbox and a panel along the top before the command begins" desktop_ready

# Whatever the session started is gone once it ends, what the command left
# running included, also when the session is told to end while the command
# still runs.
nothing_left() {
    local started="$scratch/started" pid
    # Xvfb, openbox, trayer, the command, and what the command leaves behind.
    "$session" --desktop bash -c 'ps -o pid= --ppid "$PPID" >"$0"; sleep 300 & echo $! >>"$0"' "$started" \
        || return 1
    "$session" --desktop bash -c 'ps -o pid= --ppid "$PPID" >>"$0"; sleep 300 & echo $! >>"$0"; sleep 300' \
        "$started" &
    pid=$!
    local deadline=$((SECONDS + 60))
    until [ "$(wc -l <"$started")" -eq 10 ] || [ $SECONDS -ge $deadline ]; do sleep 0.1; done
    kill -TERM "$pid"
    wait "$pid"
    [ $? -eq 143 ] || return 1
    [ "$(wc -l <"$started")" -eq 10 ] || return 1
    for pid in $(cat "$started"); do
        gone "$pid" || { echo "process $pid outlived its session" >&2; return 1; }
    done
}

# Whether the process has ended (reaped or not).
gone() {
    local state
    state=$(ps -o stat= -p "$1")
    [ -z "$state" ] || [ "${state:0:1}" = Z ]
}
check "nothing the session started outlives it" nothing_left

# A server that cannot start fails the run at once, saying what was not
# ready, and the command never runs.
names_what_failed() {
    "$session" --server-args "-screen 0 not-a-size" touch "$scratch/ran" 2>"$scratch/errors"
    [ $? -ne 0 ] && [ ! -e "$scratch/ran" ] && grep -q "^x-session: Xvfb did not report a display" "$scratch/errors"
}
check "a server that cannot start fails the run, naming it" names_what_failed

[ "$failures" -eq 0 ]
