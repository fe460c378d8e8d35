#!/bin/bash
# Ctrl+Shift+2 as a user meets it. Held by another program, the key is
# refused with the X error and pexilo keeps running without it. Held by
# pexilo, every physical press starts one selection: presses 0.3 s apart
# during a selection, whose releases go elsewhere as each press closes the
# selection, and a press right after Escape. A new keyboard layout moves the
# key with the "2". On a Wayland session the program starts on XWayland.
. "$(dirname "$0")/lib.sh"

registered="✅ Global hotkey Ctrl+Shift+2 registered successfully"
unregistered="🗑️ Unregistered previous hotkey"
pressed="🔥 Global hotkey pressed! Starting screenshot..."

fresh_home
onboarded_defaults
start_tray_host

presses() { grep -cF -- "$pressed" "$PEXILO_LOG"; }
# wait_for_presses <count>
wait_for_presses() { wait_until 5 sh -c "[ \$(grep -cF -- '$pressed' '$PEXILO_LOG') -ge $1 ]"; }
stop_pexilo() {
    kill -TERM "$PEXILO_PID"
    wait_for_exit 10 || fail "SIGTERM did not end pexilo"
    [ "$PEXILO_STATUS" -eq 0 ] || fail "pexilo ended with status $PEXILO_STATUS"
}

# Another program holds the key.
"$HOLD_HOT_KEY" >"$ARTIFACTS/holder.log" 2>&1 &
HOLDER_PID=$!
trap 'kill $HOLDER_PID 2>/dev/null' EXIT
wait_until 5 grep -q holding "$ARTIFACTS/holder.log" || fail "the other program did not take the key"
start_pexilo "$ARTIFACTS/refused.log"
# BadAccess: another client holds the grab.
wait_for_log "❌ Failed to register global hotkey. Status: 10" 5 || fail "the refused grab was not reported"
xdotool key ctrl+shift+2
wait_until 5 grep -q pressed "$ARTIFACTS/holder.log" || fail "the press did not reach the program holding the key"
sleep 0.3
[ "$(presses)" -eq 0 ] || fail "pexilo handled a key it does not hold"
grep -qF "$registered" "$PEXILO_LOG" && fail "pexilo claims the hot key"
kill -0 "$PEXILO_PID" 2>/dev/null || fail "pexilo ended without its hot key"
stop_pexilo
grep -qF "$unregistered" "$PEXILO_LOG" && fail "pexilo released a key it never had"
kill "$HOLDER_PID"
wait "$HOLDER_PID" 2>/dev/null

# Pexilo holds the key, started as on a Wayland session with XWayland whose
# programs are all told to use Wayland: it starts on XWayland all the same.
QT_QPA_PLATFORM=wayland XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-e2e start_pexilo "$ARTIFACTS/pexilo.log"
wait_for_log "⚠️ Wayland session: Pexilo runs on XWayland (DISPLAY $DISPLAY)" 1 || fail "no line about XWayland"
wait_for_log "$registered" 5 || fail "the hot key was not registered"
xdotool key ctrl+shift+2
wait_for_presses 1 || fail "the press did not arrive"
wait_until 5 selection_shown || fail "the first press started no selection"

# Each press closes the selection that holds the keyboard, so the key's
# release goes to whatever has the focus then, not to pexilo.
for count in 2 3 4; do
    xdotool keydown ctrl+shift+2
    wait_for_presses "$count" || fail "press $count during a selection was lost"
    xdotool keyup 2 keyup ctrl+shift
    sleep 0.3 # the user's pace
    wait_until 5 selection_shown || fail "press $count started no selection"
done

xdotool key Escape
wait_until 5 selection_gone || fail "Escape left the selection open"
xdotool key ctrl+shift+2
wait_for_presses 5 || fail "the press right after Escape was lost"
wait_until 5 selection_shown || fail "the press after Escape started no selection"
xdotool key Escape
wait_until 5 selection_gone || fail "Escape left the selection open"
sleep 0.5
[ "$(presses)" -eq 5 ] || fail "$(presses) presses handled for 5 physical presses"

# Programmer Dvorak types "2" with Shift on the key of "8" in us.
setxkbmap us dvp
wait_until 5 sh -c "[ \$(grep -cF -- '$registered' '$PEXILO_LOG') -eq 2 ]" || fail "no new registration for the new layout"
xdotool key ctrl+shift+2
wait_for_presses 6 || fail "the key that types 2 in the new layout did nothing"
wait_until 5 selection_shown || fail "the press in the new layout started no selection"
xdotool key Escape
wait_until 5 selection_gone || fail "Escape left the selection open"
setxkbmap us

stop_pexilo
grep -qF "$unregistered" "$PEXILO_LOG" || fail "pexilo did not release the key"
kill "$TRAYER_PID" 2>/dev/null
echo "PASS"
