#!/bin/bash
# A first start shows the onboarding window in the middle of the screen.
# Dragging its background moves it; its button completes onboarding, closes
# the window and registers the hot key again half a second later, and the
# program keeps running without windows. The next start shows no onboarding.
. "$(dirname "$0")/lib.sh"

registered="✅ Global hotkey Ctrl+Shift+2 registered successfully"

# pexilo's visible onboarding window: 500 × 580, with no frame around it.
onboarding_window() {
    xdotool search --onlyvisible --classname pexilo 2>/dev/null | while read -r w; do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -eq 500 ] && [ "$HEIGHT" -eq 580 ] && echo "$w" && break
    done
}

onboarding_window_shown() {
    [ -n "$(onboarding_window)" ]
}

onboarding_window_gone() {
    [ -z "$(onboarding_window)" ]
}

registered_twice() {
    [ "$(grep -cF -- "$registered" "$PEXILO_LOG")" -eq 2 ]
}

# pixel <picture> <x> <y>: the colour there, as "srgb(r,g,b)".
pixel() {
    convert "$1" -format "%[pixel:p{$2,$3}]" info:
}

now_ms() {
    echo $(( $(date +%s%N) / 1000000 ))
}

fresh_home
# A compositing manager, so that the window's clear corners show what is behind.
xcompmgr >/dev/null 2>&1 &
COMPOSITOR_PID=$!
start_tray_host
start_pexilo "$ARTIFACTS/first-start.log"

wait_for_log "🔧 Window should now be visible" 5 || fail "no onboarding window on a first start"
wait_for_log "🔧 Creating window with frame: (390.0, 110.0, 500.0, 580.0)" 1 \
    || fail "the onboarding window's frame is not the middle of the 1280 × 800 screen"
wait_until 5 onboarding_window_shown || fail "no 500 × 580 window on screen"
window=$(onboarding_window)
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$X" -eq 390 ] && [ "$Y" -eq 110 ] || fail "the onboarding window is at $X,$Y, not centred"
sleep 0.5
screenshot onboarding.png
colours=$(unique_colours "$ARTIFACTS/onboarding.png" "${WIDTH}x${HEIGHT}+${X}+${Y}")
[ "$colours" -ge 20 ] || fail "the onboarding window shows no page ($colours colours)"
# The card is opaque; its rounded corner lets the desktop through.
desktop=$(pixel "$ARTIFACTS/onboarding.png" 5 400)
card=$(pixel "$ARTIFACTS/onboarding.png" $((X + 30)) $((Y + 30)))
corner=$(pixel "$ARTIFACTS/onboarding.png" "$X" "$Y")
[ "$card" != "$desktop" ] || fail "the card does not cover the desktop"
[ "$corner" = "$desktop" ] || fail "the window's corner is $corner, not the desktop's $desktop"

# The hot key is registered a second after the start, onboarding or not.
wait_for_log "$registered" 3 || fail "the hot key was not registered after the start"

# Dragging the card's background moves the window.
xdotool mousemove $((X + 30)) $((Y + 30)) mousedown 1
for step in 1 2 3 4 5; do
    xdotool mousemove $((X + 30 + step * 10)) $((Y + 30 + step * 6))
    sleep 0.05
done
xdotool mouseup 1
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$X" -eq 440 ] && [ "$Y" -eq 140 ] || fail "dragging the background moved the window to $X,$Y, not 440,140"

# "Get Started" spans the card's width above a 32-pixel margin.
started=$(now_ms)
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 58)) click 1
wait_for_log "🔧 Onboarding completed, closing window" 5 || fail "the button did not complete onboarding"
wait_until 5 onboarding_window_gone || fail "the onboarding window stayed on screen"
wait_for_log "🗑️ Unregistered previous hotkey" 3 || fail "the hot key was not registered again"
took=$(( $(now_ms) - started ))
[ "$took" -ge 500 ] || fail "the hot key came back after ${took} ms, before half a second"
wait_until 2 registered_twice || fail "the second registration did not succeed"
[ "$(grep -A2 -F "🔧 Onboarding completed" "$PEXILO_LOG" | tr '\n' '|')" \
    = "🔧 Onboarding completed, closing window|🗑️ Unregistered previous hotkey|$registered|" ] \
    || fail "the completion, unregistration and registration lines are out of order"

# With its last window closed the program keeps running.
sleep 1
kill -0 "$PEXILO_PID" 2>/dev/null || fail "closing the onboarding window ended the program"
screenshot after-onboarding.png
kill -TERM "$PEXILO_PID"
wait_for_exit 10 || fail "SIGTERM did not end the program"
[ "$PEXILO_STATUS" -eq 0 ] || fail "SIGTERM ended the program with status $PEXILO_STATUS"
[ "$(tail -2 "$PEXILO_LOG" | tr '\n' '|')" = "🗑️ Unregistered previous hotkey|✅ Pexilo quit|" ] \
    || fail "the hot key was not released at the end"

# Onboarding is stored as completed: the next start opens no window.
start_pexilo "$ARTIFACTS/later-start.log"
wait_for_log "$registered" 3 || fail "the hot key was not registered on a later start"
grep -qF "showOnboardingWindow" "$PEXILO_LOG" && fail "a later start showed onboarding"
onboarding_window_shown && fail "a later start shows an onboarding window"
kill -TERM "$PEXILO_PID"
wait_for_exit 10 && [ "$PEXILO_STATUS" -eq 0 ] || fail "SIGTERM after a later start"

kill "$COMPOSITOR_PID" "$TRAYER_PID" 2>/dev/null
echo "PASS"
