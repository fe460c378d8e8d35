#!/bin/bash
# Pexilo started where no X display answers: without DISPLAY, with a DISPLAY
# that no server answers on, and on Wayland without XWayland. Each time it
# says in one "❌" line what is missing and ends with status 1, before Qt
# could abort on its own. It needs no X server of its own.
. "$(dirname "$0")/lib.sh"

# A display number with no server behind it.
unused_display() {
    local n
    for n in $(seq 990 999); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { echo ":$n"; return; }
    done
    fail "no free display number"
}

# run_without_x <name> <expected part of the line> <NAME=value ...>: runs
# pexilo with the session variables given and no others.
run_without_x() {
    local name=$1 expected=$2
    shift 2
    fresh_home
    PEXILO_LOG="$ARTIFACTS/$name.log"
    local status=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE -u QT_QPA_PLATFORM "$@" \
        timeout 20 "$PEXILO" >"$PEXILO_LOG" 2>&1 || status=$?
    [ "$status" -eq 1 ] || fail "$name: exit status $status, expected 1"
    [ "$(wc -l <"$PEXILO_LOG")" -eq 1 ] || fail "$name: more than the one line"
    grep -q "^❌ .*$expected.*Pexilo needs X11" "$PEXILO_LOG" || fail "$name: the line does not say what is missing"
    ! grep -qi "reinstalling\|platform plugin" "$PEXILO_LOG" || fail "$name: Qt's own failure"
}

run_without_x no-display "DISPLAY is not set"
display=$(unused_display)
run_without_x display-unanswered "none answers on \"$display\"" DISPLAY="$display"
run_without_x wayland-without-xwayland "Wayland session without XWayland" \
    WAYLAND_DISPLAY=wayland-e2e XDG_SESSION_TYPE=wayland
echo "PASS"
