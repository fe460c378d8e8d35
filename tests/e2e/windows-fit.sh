#!/bin/bash
# The onboarding, settings and chat windows on a small screen under a
# window manager with a panel along the top: each window's frame, title bar
# included, lies inside the work area the panel leaves. The settings and
# chat windows reached from the tray panel by the keyboard alone. Pictures
# of each window are left in the artifacts folder, named after the screen.
. "$(dirname "$0")/lib.sh"

size="${SCREEN_W}x${SCREEN_H}"

# frame_inside <window> <name>: the window's frame (from _NET_FRAME_EXTENTS;
# none for a window without one) lies inside the work area.
frame_inside() {
    local left=0 right=0 top=0 bottom=0 extents
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/^[^=]*= *//p')
    [ -n "$extents" ] && IFS=', ' read -r left right top bottom <<<"$extents"
    eval "$(window_geometry "$1")"
    FRAME="$((X - left)),$((Y - top)) $((WIDTH + left + right))x$((HEIGHT + top + bottom))"
    [ "$WIDTH" -gt 0 ] && [ $((X - left)) -ge "$AREA_X" ] && [ $((Y - top)) -ge "$AREA_Y" ] \
        && [ $((X + WIDTH + right)) -le $((AREA_X + AREA_W)) ] \
        && [ $((Y + HEIGHT + bottom)) -le $((AREA_Y + AREA_H)) ]
}

# check_window <window> <name>: waits for the window to settle inside the
# work area, and takes a picture.
check_window() {
    wait_until 5 frame_inside "$1" \
        || fail "the $2 window's frame, $FRAME, leaves the work area $AREA_X,$AREA_Y ${AREA_W}x$AREA_H"
    sleep 0.5 # drawn
    frame_inside "$1" || fail "the $2 window moved out of the work area: $FRAME"
    screenshot "$2-$size.png"
    echo "$2: frame $FRAME in the work area $AREA_X,$AREA_Y ${AREA_W}x$AREA_H"
}

# The visible pexilo window of that title.
titled_window() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1
}

# The onboarding card's window: pexilo's visible window 576 wide.
onboarding_window() {
    xdotool search --onlyvisible --classname pexilo 2>/dev/null | while read -r w; do
        eval "$(window_geometry "$w")"
        [ "$WIDTH" -eq 576 ] && echo "$w" && break
    done
}
onboarding_shown() { [ -n "$(onboarding_window)" ]; }

# press_in_panel <key> <times>: keys for the open tray panel.
press_in_panel() {
    local i
    for ((i = 0; i < $2; i++)); do
        xdotool key "$1"
        sleep 0.1
    done
}

start_tray_host

# --- The onboarding window of a first start. ---
fresh_home
start_pexilo "$ARTIFACTS/onboarding-$size.log"
wait_for_log "🔧 Window should now be visible" 5 || fail "no onboarding window on a first start"
wait_until 5 onboarding_shown || fail "no onboarding window on screen"
check_window "$(onboarding_window)" onboarding
kill -TERM "$PEXILO_PID"
wait_for_exit 10 || fail "pexilo did not end on SIGTERM"

# --- Settings and chat, from the tray panel by the keyboard. ---
fresh_home
QT_QPA_PLATFORM=offscreen "$SEED_CONVERSATIONS" --user-name Ada >"$ARTIFACTS/seed.log" 2>&1 \
    || fail "could not seed the conversations: $(cat "$ARTIFACTS/seed.log")"
start_pexilo "$ARTIFACTS/windows-$size.log"
find_tray_icon

# From the bottom of the panel up: Quit, About, Help, Settings.
open_panel "panel-$size.png"
press_in_panel Up 4
screenshot "panel-settings-focused-$size.png"
xdotool key Return
wait_for_log "🔧 Settings window should now be visible" 5 || fail "Return on Settings did not open the settings window"
wait_until 5 sh -c '[ -n "$(xdotool search --onlyvisible --name "^Pexilo Settings\$" 2>/dev/null)" ]' \
    || fail "no Pexilo Settings window on screen"
settings=$(titled_window "Pexilo Settings")
check_window "$settings" settings
xdotool key Escape
wait_until 5 sh -c '[ -z "$(xdotool search --onlyvisible --name "^Pexilo Settings\$" 2>/dev/null)" ]' \
    || fail "Escape did not close the settings window"

# One further up: Recent Conversations, which opens the newest in the chat window.
open_panel "panel-again-$size.png"
press_in_panel Up 5
xdotool key space
wait_for_log "✅ Chat window opened" 5 || fail "Space on Recent Conversations did not open the chat window"
wait_until 5 chat_shown || fail "no Pexilo Chat window on screen"
check_window "$(titled_window "Pexilo Chat")" chat

kill -TERM "$PEXILO_PID"
wait_for_exit 10 || fail "pexilo did not end on SIGTERM"
[ "$PEXILO_STATUS" -eq 0 ] || fail "pexilo ended with status $PEXILO_STATUS"
echo "PASS"
