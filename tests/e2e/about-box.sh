#!/bin/bash
# The About box does not stand between the hot key and a selection: with the
# box open, Ctrl+Shift+2 starts a selection that takes a drag and Escape, the
# box still answers its OK, and another program gets the keyboard afterwards.
. "$(dirname "$0")/lib.sh"

fresh_home
onboarded_defaults

about_shown() { xdotool search --onlyvisible --name "^About Pexilo$" >/dev/null 2>&1; }

start_tray_host
start_pexilo "$ARTIFACTS/pexilo.log"
find_tray_icon
wait_for_log "✅ Global hotkey Ctrl+Shift+2 registered successfully" 5 || fail "the hot key was not registered"

# "About Pexilo" is the last of the rows with a blue symbol.
open_panel panel.png
rows=$(find_colour panel.png "rgb(0,122,255)" "$PANEL_X" "$PANEL_Y" "$PANEL_W" "$PANEL_H") \
    || fail "no blue symbols in the panel"
read -r w h x y <<<"$rows"
xdotool mousemove $((x + w / 2)) $((y + h - 8)) click 1
wait_until 5 about_shown || fail "no About box"
screenshot about.png

xdotool key ctrl+shift+2
wait_for_log "🔥 Global hotkey pressed! Starting screenshot..." 5 || fail "the hot key did not reach the program"
wait_until 5 selection_shown || fail "no selection"
selection=$(fullscreen_window)
# The selection starts where the pointer first moves with the button down.
xdotool mousemove 398 298 mousedown 1
xdotool mousemove 400 300
xdotool mousemove 700 500
xdotool mouseup 1
# The overlay, a window of its own, replaces the selection; Escape closes it.
overlay_shown() { local w; w=$(fullscreen_window); [ -n "$w" ] && [ "$w" != "$selection" ]; }
wait_until 5 overlay_shown || fail "no overlay after the drag"
screenshot overlay.png
xdotool key Escape
wait_for_log "📸 Overlay closed and new conversation started" 5 || fail "the drag and Escape did not reach the selection"
wait_until 5 selection_gone || fail "a full-screen window stayed"

# The box is still there and answers.
about_shown || fail "the About box went away"
xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "^About Pexilo$" | head -1)" key Return
wait_until 5 sh -c '! xdotool search --onlyvisible --name "^About Pexilo$" >/dev/null 2>&1' \
    || fail "the About box did not take its Return"

# Another program gets keys: nothing of ours holds the keyboard.
xev -event keyboard >"$ARTIFACTS/xev.log" 2>&1 &
XEV_PID=$!
trap 'kill $XEV_PID 2>/dev/null' EXIT
wait_until 5 sh -c 'xdotool search --onlyvisible --name "^Event Tester$" >/dev/null 2>&1' || fail "xev did not show"
xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "^Event Tester$" | head -1)" key a
wait_until 5 grep -q "KeyRelease event" "$ARTIFACTS/xev.log" || fail "another program got no keys"

kill -TERM "$PEXILO_PID"
wait_for_exit 10 || fail "SIGTERM did not end pexilo"
[ "$PEXILO_STATUS" -eq 0 ] || fail "pexilo ended with status $PEXILO_STATUS"
kill "$TRAYER_PID" 2>/dev/null
echo "PASS"
