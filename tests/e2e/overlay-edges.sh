#!/bin/bash
# The capture at its edges, on two monitors side by side, each 640 × 600
# (the left one the main screen, which the selection and the overlay cover):
# - a drag that runs on past the main screen onto the other monitor ends at
#   the main screen's edge, and its overlay shows the image and can ask;
# - the answered box on that small screen leaves its image uncovered;
# - a drag that starts on the backdrop and ends on the answer box leaves the
#   overlay open, a click on the backdrop closes it;
# - another program's window that opens over the overlay and takes the
#   keyboard closes it, and the answer is saved.
. "$(dirname "$0")/lib.sh"

[ "$SCREEN_W" -eq 1280 ] && [ "$SCREEN_H" -eq 600 ] || fail "the test needs a 1280x600 screen, not ${SCREEN_W}x$SCREEN_H"
xrandr --setmonitor main 640/170x600/160+0+0 screen >/dev/null || fail "could not make the left monitor"
xrandr --setmonitor other 640/170x600/160+640+0 none >/dev/null || fail "could not make the right monitor"
[ "$(xrandr --listmonitors | head -1)" = "Monitors: 2" ] || fail "not two monitors: $(xrandr --listmonitors)"

answer="Four coloured squares."
rm -rf "$ARTIFACTS"/*.png

fresh_home
onboarded_defaults apiKey=sk-test-overlay-edges

start_ai_service "$answer"
trap 'kill $SERVICE_PID 2>/dev/null' EXIT
service_dir=$SERVICE_DIR
show_pattern_window
trap 'kill $SERVICE_PID $DISPLAY_PID 2>/dev/null' EXIT

start_tray_host
start_pexilo "$ARTIFACTS/pexilo.log"
wait_for_log "✅ Global hotkey Ctrl+Shift+2 registered successfully" 5 || fail "the hot key was not registered"

# The selection window covers the main monitor alone.
main_monitor_window() {
    xdotool search --onlyvisible --classname pexilo 2>/dev/null | while read -r w; do
        eval "$(window_geometry "$w")"
        [ "$X" -eq 0 ] && [ "$Y" -eq 0 ] && [ "$WIDTH" -eq 640 ] && [ "$HEIGHT" -eq 600 ] && echo "$w" && break
    done
}
overlay_shown() { [ -n "$(main_monitor_window)" ]; }
overlay_gone() { ! overlay_shown; }

closed="📸 Overlay closed and new conversation started"
closes() { grep -cF -- "$closed" "$PEXILO_LOG"; }
answers() { grep -cF -- "✅ Successfully received AI response" "$PEXILO_LOG"; }

# capture <x1> <y1> <x2> <y2>: the hot key and a drag between the points.
capture() {
    xdotool key ctrl+shift+2
    wait_until 5 overlay_shown || fail "no selection window on the main monitor"
    xdotool mousemove $(($1 - 2)) $(($2 - 2))
    wait_until 5 pointer_over_wide_window pexilo 640 || fail "the selection window is not under the pointer"
    sleep 0.3 # it takes the keyboard as it shows
    xdotool mousedown 1
    sleep 0.2
    xdotool mousemove "$1" "$2"
    sleep 0.2
    xdotool mousemove "$3" "$4"
    sleep 0.2
    xdotool mouseup 1
}

# ask <question>: types the question into the overlay and waits for the
# answer box to settle.
ask() {
    local before
    before=$(answers)
    sleep 1 # the overlay shows; its question field takes the keyboard 0.1 s later
    xdotool type --delay 20 "$1"
    xdotool key Return
    wait_until 15 sh -c "[ \$(grep -cF '✅ Successfully received AI response' '$PEXILO_LOG') -gt $before ]" \
        || fail "no answer to \"$1\": the overlay cannot ask"
    sleep 2 # the answer box grows and settles
}

pixel() { convert "$ARTIFACTS/$1" -format "%[hex:u.p{$2,$3}]" info: | cut -c1-6; }

# --- A drag from the pattern's red quadrant on the main monitor on to its
# green one and far onto the other monitor, so far that the middle of the
# pointer's rectangle lies there: the selection stops at x = 640.
capture 300 250 1100 450
ask "What is in this picture?"
screenshot answered.png

body=$(grep -l '"/v1/chat/completions"' "$service_dir"/*.json | sed 's/\.json$/.body/')
[ "$(echo "$body" | wc -w)" -eq 1 ] || fail "not one request to the service"
jq -r '.messages[0].content[1].image_url.url | ltrimstr("data:image/png;base64,")' "$body" | base64 -d >"$ARTIFACTS/sent.png"
# 340 × 200, aligned down to multiples of 16.
[ "$(identify -format %wx%h "$ARTIFACTS/sent.png")" = "336x192" ] \
    || fail "the image sent is $(identify -format %wx%h "$ARTIFACTS/sent.png"), not the selection up to the screen's edge"

# The image stands where it was selected (x 302–638, y 254–446) and the
# answered box (240 high at full size) has room only above it, if lowered:
# 20 pixels inside its corners, the image still shows the pattern's colours
# (give or take the light edge drawn around it).
near() {
    local found=$1 want=$2 i
    for i in 0 2 4; do
        [ $(( 16#${found:$i:2} - 16#${want:$i:2} )) -le 8 ] && [ $(( 16#${want:$i:2} - 16#${found:$i:2} )) -le 8 ] || return 1
    done
}
expect_near() {
    local found
    found=$(pixel answered.png "$1" "$2")
    near "$found" "$3" || fail "the box covers the image's $4 corner: $found at $1,$2"
}
expect_near 322 274 E02020 "top left (red)"
expect_near 618 274 20B040 "top right (green)"
expect_near 322 426 2050E0 "bottom left (blue)"
expect_near 618 426 F0D020 "bottom right (yellow)"

# --- A drag from the backdrop (bottom left) onto the answer box (above the
# image) and let go there, as when selecting the answer's text.
xdotool mousemove 100 520 mousedown 1
sleep 0.2
xdotool mousemove 200 300
sleep 0.2
xdotool mousemove 360 120
sleep 0.2
xdotool mouseup 1
# A release that closes the overlay does so as it arrives; half a second is
# far longer than that takes.
sleep 0.5
[ "$(closes)" -eq 0 ] || fail "a drag from the backdrop closed the overlay"
overlay_shown || fail "the overlay is gone after a drag from its backdrop"

# A click on the backdrop closes it, and saves the answer.
xdotool mousemove 100 520 click 1
wait_until 5 sh -c "[ \$(grep -cF '$closed' '$PEXILO_LOG') -eq 1 ]" || fail "a click on the backdrop did not close the overlay"
wait_until 5 overlay_gone || fail "the overlay stayed on screen after the click"
[ "$(sqlite3 "$defaults" "SELECT count(*) FROM conversations")" = 1 ] || fail "the first conversation was not saved"

# --- Another program opens a window while an answered overlay shows: it
# takes the keyboard, and the overlay makes way for it, saving its answer.
sleep 0.5
capture 250 200 550 400
ask "And now?"
xmessage -geometry +100+100 "Another application" &
OTHER_PID=$!
trap 'kill $SERVICE_PID $DISPLAY_PID $OTHER_PID 2>/dev/null' EXIT
wait_until 5 sh -c "[ \$(grep -cF '$closed' '$PEXILO_LOG') -eq 2 ]" \
    || fail "the overlay stayed over another program's window that took the keyboard"
wait_until 5 overlay_gone || fail "the overlay is still on screen"
other=$(xdotool search --onlyvisible --class xmessage | head -1)
wait_until 5 sh -c "[ \"\$(xdotool getactivewindow)\" = '$other' ]" || fail "the other program's window does not have the keyboard"
screenshot other-window.png
[ "$(sqlite3 "$defaults" "SELECT count(*) FROM conversations")" = 2 ] || fail "the second conversation was not saved"

kill -TERM "$PEXILO_PID"
wait_for_exit 10 && [ "$PEXILO_STATUS" -eq 0 ] || fail "pexilo did not end cleanly on SIGTERM"
echo "PASS"
