#!/bin/bash
# One Pexilo per user and configuration folder. A second start opens the
# running one's tray panel and ends with status 0, leaving the first as it
# was, also from another login session with a runtime folder of its own
# (and where it cannot reach the first from there, it says so and ends with
# status 1); after a kill -9 the next start runs; of two starts at the same
# moment exactly one runs; without XDG_RUNTIME_DIR the guard still holds.
. "$(dirname "$0")/lib.sh"

started="✅ Pexilo started"
handed_over="✅ Pexilo is already running; asked it to open its panel"

fresh_home
onboarded_defaults
start_tray_host

# run_second <log>: a start that must hand over and end at once.
run_second() {
    timeout 20 "$PEXILO" >"$1" 2>&1
    local status=$?
    [ "$status" -eq 0 ] || { cat "$1" >&2; fail "the second start ended with status $status"; }
    grep -qF "$handed_over" "$1" || { cat "$1" >&2; fail "the second start did not say it handed over"; }
    grep -qF "$started" "$1" && fail "the second start started anyway"
}
tray_icons() { xdotool search --onlyvisible --classname pexilo 2>/dev/null | while read -r w; do
    eval "$(window_geometry "$w")"
    [ "$WIDTH" -le 64 ] && [ "$HEIGHT" -le 64 ] && echo "$w"; done | wc -l; }

start_pexilo "$ARTIFACTS/first.log"
find_tray_icon
wait_for_log "✅ Global hotkey Ctrl+Shift+2 registered successfully" 5 || fail "the first did not register the hot key"

run_second "$ARTIFACTS/second.log"
wait_for_log "📊 Menu bar loaded" 5 || fail "the first did not open its panel"
wait_until 5 panel_shown || fail "no panel on screen"
screenshot handed-over.png
kill -0 "$PEXILO_PID" 2>/dev/null || fail "the first ended"
[ "$(tray_icons)" -eq 1 ] || fail "$(tray_icons) tray icons"
# A second hand-over while the panel is open keeps it open.
run_second "$ARTIFACTS/third.log"
sleep 0.3
panel_shown || fail "a second hand-over closed the panel"
xdotool key Escape
wait_until 5 panel_gone || fail "Escape left the panel open"

# Another login session over the same configuration folder, with a runtime
# folder of its own: it finds the first through the configuration folder and
# asks it through the socket the first named there.
other_runtime=$(mktemp -d)
chmod 700 "$other_runtime"
XDG_RUNTIME_DIR=$other_runtime run_second "$ARTIFACTS/other-session.log"
wait_until 5 panel_shown || fail "no panel on screen for the other session's start"
[ "$(tray_icons)" -eq 1 ] || fail "$(tray_icons) tray icons after the other session's start"
xdotool key Escape
wait_until 5 panel_gone || fail "Escape left the panel open"
# Where the first's socket cannot be reached (as from another machine with
# the same home), the start says so in one line and ends. The socket is moved
# aside for that start, not made unreadable: the tests may run as root.
socket=$(ls "$XDG_RUNTIME_DIR"/pexilo-*.socket)
mv "$socket" "$socket.aside"
XDG_RUNTIME_DIR=$other_runtime timeout 20 "$PEXILO" >"$ARTIFACTS/unreachable.log" 2>&1
status=$?
mv "$socket.aside" "$socket"
[ "$status" -eq 1 ] || { cat "$ARTIFACTS/unreachable.log" >&2; fail "the unreachable start ended with status $status"; }
grep -qF "❌ Pexilo is already running in another session with the configuration folder $XDG_CONFIG_HOME/Pexilo and cannot be reached from here; not starting a second one" "$ARTIFACTS/unreachable.log" \
    || { cat "$ARTIFACTS/unreachable.log" >&2; fail "the unreachable start did not say why it ended"; }
[ "$(grep -c . "$ARTIFACTS/unreachable.log")" -eq 1 ] \
    || { cat "$ARTIFACTS/unreachable.log" >&2; fail "the unreachable start wrote more than its one line"; }
[ "$(tray_icons)" -eq 1 ] || fail "$(tray_icons) tray icons after the unreachable start"
panel_gone || fail "the unreachable start opened the panel"
kill -0 "$PEXILO_PID" 2>/dev/null || fail "the first ended"

# kill -9 leaves the socket file behind; the next start runs all the same.
kill -KILL "$PEXILO_PID"
wait "$PEXILO_PID" 2>/dev/null
ls "$XDG_RUNTIME_DIR"/pexilo-*.socket >/dev/null 2>&1 || fail "no socket file left to test with"
start_pexilo "$ARTIFACTS/after-kill.log"
run_second "$ARTIFACTS/after-kill-second.log"
kill -TERM "$PEXILO_PID"
wait_for_exit 10 || fail "SIGTERM did not end pexilo"
[ "$PEXILO_STATUS" -eq 0 ] || fail "pexilo ended with status $PEXILO_STATUS"

# Two starts at the same moment: one runs, the other hands over to it.
"$PEXILO" >"$ARTIFACTS/race-a.log" 2>&1 &
A_PID=$!
"$PEXILO" >"$ARTIFACTS/race-b.log" 2>&1 &
B_PID=$!
wait_until 20 sh -c "grep -qF -- '$handed_over' '$ARTIFACTS/race-a.log' '$ARTIFACTS/race-b.log'" \
    || fail "neither of two starts at once handed over"
if grep -qF -- "$handed_over" "$ARTIFACTS/race-a.log"; then
    SECOND_PID=$A_PID PEXILO_PID=$B_PID PEXILO_LOG=$ARTIFACTS/race-b.log
else
    SECOND_PID=$B_PID PEXILO_PID=$A_PID PEXILO_LOG=$ARTIFACTS/race-a.log
fi
wait "$SECOND_PID"
[ $? -eq 0 ] || fail "the start that handed over ended with an error"
wait_for_log "$started" 10 || fail "the other start did not run"
kill -0 "$PEXILO_PID" 2>/dev/null || fail "the start that runs ended"
kill -TERM "$PEXILO_PID"
wait_for_exit 10 || fail "SIGTERM did not end pexilo"

# Without XDG_RUNTIME_DIR both starts find the same private fallback folder.
unset XDG_RUNTIME_DIR
start_pexilo "$ARTIFACTS/no-runtime.log"
run_second "$ARTIFACTS/no-runtime-second.log"
kill -TERM "$PEXILO_PID"
wait_for_exit 10 || fail "SIGTERM did not end pexilo"
[ "$PEXILO_STATUS" -eq 0 ] || fail "pexilo ended with status $PEXILO_STATUS"

kill "$TRAYER_PID" 2>/dev/null
echo "PASS"
