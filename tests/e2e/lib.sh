# Shared steps of the whole-program tests. Sourced by each test script, which
# runs inside its own X server (xvfb-run) with the pexilo binary as $PEXILO
# and a folder for pictures and logs as $ARTIFACTS.

set -u
mkdir -p "$ARTIFACTS"

fail() {
    echo "FAIL: $*" >&2
    [ -n "${PEXILO_LOG:-}" ] && [ -f "$PEXILO_LOG" ] && { echo "--- pexilo log ---" >&2; cat "$PEXILO_LOG" >&2; }
    exit 1
}

# wait_until <seconds> <command...>: polls the command until it succeeds.
wait_until() {
    local deadline=$(( $(date +%s) + $1 ))
    shift
    until "$@"; do
        [ "$(date +%s)" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

# A fresh configuration folder and runtime folder for one program run.
fresh_home() {
    export XDG_CONFIG_HOME=$(mktemp -d)
    export XDG_RUNTIME_DIR=$(mktemp -d)
    chmod 700 "$XDG_RUNTIME_DIR"
}

start_tray_host() {
    trayer --edge top --align right --widthtype request --height 32 --SetDockType true \
        --expand false --transparent false --tint 0xdddddd >"$ARTIFACTS/trayer.log" 2>&1 &
    TRAYER_PID=$!
    # Rarely, on a loaded machine, the tray host takes several seconds to show.
    wait_until 20 sh -c 'xdotool search --class trayer >/dev/null 2>&1' \
        || fail "the tray host did not start: $(kill -0 "$TRAYER_PID" 2>/dev/null && echo running || echo ended) $(cat "$ARTIFACTS/trayer.log")"
    sleep 0.5
}

# start_pexilo <log file>: starts the program and waits for its start line.
start_pexilo() {
    PEXILO_LOG=$1
    "$PEXILO" >"$PEXILO_LOG" 2>&1 &
    PEXILO_PID=$!
    wait_for_log "✅ Pexilo started" 10 || fail "pexilo did not log its start line"
}

# wait_for_log <line> [seconds]
wait_for_log() {
    wait_until "${2:-10}" grep -qF -- "$1" "$PEXILO_LOG"
}

# wait_for_exit <seconds>: waits for pexilo to end and sets PEXILO_STATUS.
wait_for_exit() {
    local deadline=$(( $(date +%s) + $1 ))
    while kill -0 "$PEXILO_PID" 2>/dev/null; do
        [ "$(date +%s)" -ge "$deadline" ] && return 1
        sleep 0.1
    done
    wait "$PEXILO_PID"
    PEXILO_STATUS=$?
}

# The visible window of pexilo's tray icon, docked in the tray host: the one
# of pexilo's windows no larger than a tray slot.
tray_icon_window() {
    xdotool search --onlyvisible --classname pexilo 2>/dev/null | while read -r w; do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -gt 4 ] && [ "$HEIGHT" -gt 4 ] && [ "$WIDTH" -le 64 ] && [ "$HEIGHT" -le 64 ] && echo "$w" && break
    done
}

tray_icon_present() {
    [ -n "$(tray_icon_window)" ]
}

screenshot() {
    import -window root "$ARTIFACTS/$1"
}

# unique_colours <picture> <width>x<height>+<x>+<y>
unique_colours() {
    convert "$1" -crop "$2" +repage -format %k info:
}
