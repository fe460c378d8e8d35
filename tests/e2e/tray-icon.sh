#!/bin/bash
# The tray icon appears in the tray host; Quit from its menu and SIGTERM both
# end the program with status 0; without a tray host the program warns and
# keeps running.
. "$(dirname "$0")/lib.sh"

fresh_home
start_tray_host
start_pexilo "$ARTIFACTS/tray-icon.log"

wait_until 10 tray_icon_present || fail "no tray icon window"
icon=$(tray_icon_window)
eval "$(window_geometry "$icon")"
screenshot tray-icon.png
colours=$(unique_colours "$ARTIFACTS/tray-icon.png" "${WIDTH}x${HEIGHT}+${X}+${Y}")
[ "$colours" -ge 3 ] || fail "the tray icon shows no picture ($colours colours)"

# Quit from the icon's menu.
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
sleep 0.5
screenshot tray-menu.png
xdotool key Down Return
wait_for_exit 10 || fail "Quit Pexilo did not end the program"
[ "$PEXILO_STATUS" -eq 0 ] || fail "Quit ended the program with status $PEXILO_STATUS"
wait_for_log "✅ Pexilo quit" 1 || fail "no quit line"

# SIGTERM ends it cleanly too.
start_pexilo "$ARTIFACTS/tray-icon-sigterm.log"
kill -TERM "$PEXILO_PID"
wait_for_exit 10 || fail "SIGTERM did not end the program"
[ "$PEXILO_STATUS" -eq 0 ] || fail "SIGTERM ended the program with status $PEXILO_STATUS"

# Without a tray host the program says so and keeps running.
stop_tray_host
sleep 0.5
start_pexilo "$ARTIFACTS/tray-icon-no-host.log"
wait_for_log "⚠️ No system tray is available" 5 || fail "no warning without a tray host"
sleep 0.5
kill -0 "$PEXILO_PID" 2>/dev/null || fail "the program ended without a tray host"
kill -TERM "$PEXILO_PID"
wait_for_exit 10 && [ "$PEXILO_STATUS" -eq 0 ] || fail "SIGTERM without a tray host"
echo "PASS"
