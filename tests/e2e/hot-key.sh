#!/bin/bash
# Ctrl+Shift+2 reaches the program that holds it. A second pexilo started
# beside the first cannot have the key: it says so with the X error and keeps
# running, and the key stays with the first.
. "$(dirname "$0")/lib.sh"

registered="✅ Global hotkey Ctrl+Shift+2 registered successfully"
pressed="🔥 Global hotkey pressed! Starting screenshot..."

fresh_home
start_tray_host
start_pexilo "$ARTIFACTS/first.log"
FIRST_PID=$PEXILO_PID
FIRST_LOG=$PEXILO_LOG
wait_for_log "$registered" 5 || fail "the first program did not register the hot key"

start_pexilo "$ARTIFACTS/second.log"
SECOND_PID=$PEXILO_PID
SECOND_LOG=$PEXILO_LOG
# BadAccess: another client holds the grab.
wait_for_log "❌ Failed to register global hotkey. Status: 10" 5 \
    || fail "the second program did not report the refused grab"
grep -qF "$registered" "$SECOND_LOG" && fail "the second program claims the hot key"
sleep 0.5
kill -0 "$SECOND_PID" 2>/dev/null || fail "the second program ended"

xdotool key ctrl+shift+2
PEXILO_LOG=$FIRST_LOG
wait_for_log "$pressed" 5 || fail "the press did not reach the first program"
sleep 0.5
[ "$(grep -cF -- "$pressed" "$FIRST_LOG")" -eq 1 ] || fail "one press was handled more than once"
grep -qF "$pressed" "$SECOND_LOG" && fail "the press reached the second program"

for pid in "$SECOND_PID" "$FIRST_PID"; do
    PEXILO_PID=$pid
    kill -TERM "$pid"
    wait_for_exit 10 || fail "SIGTERM did not end program $pid"
    [ "$PEXILO_STATUS" -eq 0 ] || fail "program $pid ended with status $PEXILO_STATUS"
done
# Only the program that held the key has one to release.
grep -qF "🗑️ Unregistered previous hotkey" "$SECOND_LOG" && fail "the second program released a key it never had"
grep -qF "🗑️ Unregistered previous hotkey" "$FIRST_LOG" || fail "the first program did not release the key"

kill "$TRAYER_PID" 2>/dev/null
echo "PASS"
