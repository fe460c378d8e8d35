#!/bin/bash
# A click on the tray icon opens the tray panel under the icon, with the two
# saved conversations; a click outside it or on the icon closes it. Its
# "Take Screenshot" starts a selection; a recent conversation opens in the
# chat window with its transcript.
. "$(dirname "$0")/lib.sh"

loaded="📊 Menu bar loaded - Conversations count: 2"
chart_title="What does this chart say about revenue across the ..."

fresh_home
QT_QPA_PLATFORM=offscreen "$SEED_CONVERSATIONS" --user-name Ada >"$ARTIFACTS/seed.log" 2>&1 \
    || fail "could not seed the conversations: $(cat "$ARTIFACTS/seed.log")"
start_tray_host
start_pexilo "$ARTIFACTS/menu-bar.log"
find_tray_icon

# The panel hangs under the icon, inside the screen, and lists both conversations.
open_panel panel.png
wait_for_log "$loaded" 1 || fail "the panel did not count two conversations"
[ "$PANEL_Y" -ge $((ICON_Y + ICON_H)) ] && [ "$PANEL_Y" -le $((ICON_Y + ICON_H + 8)) ] \
    || fail "the panel's top, $PANEL_Y, is not just under the icon"
[ $((PANEL_X + PANEL_W)) -le "$SCREEN_W" ] && [ $((PANEL_X + PANEL_W)) -ge $((ICON_X + ICON_W)) ] \
    || fail "the panel, at x $PANEL_X, is not at the icon's side of the screen"
wait_for_log "📚 Conversation 0: 'What does this code print?' - 2 messages" 1 || fail "no log of the newest conversation"
wait_for_log "📚 Conversation 1: '$chart_title' - 4 messages" 1 || fail "no log of the older conversation"
colours=$(unique_colours "$ARTIFACTS/panel.png" "${PANEL_W}x${PANEL_H}+${PANEL_X}+${PANEL_Y}")
[ "$colours" -ge 50 ] || fail "the panel shows too little ($colours colours)"

# A click outside closes it; so does a click on the icon, without opening it again.
xdotool mousemove 200 500 click 1
wait_until 5 panel_gone || fail "a click outside left the panel open"
open_panel panel-again.png
click_icon
wait_until 5 panel_gone || fail "a click on the icon left the panel open"
sleep 0.5
panel_gone || fail "a click on the icon opened the panel again"

# "Take Screenshot": the orange button, found in a column clear of the badge and the icons.
open_panel panel-before-capture.png
button=$(find_colour panel-before-capture.png "rgb(255,149,0)" $((PANEL_X + 100)) "$PANEL_Y" 80 "$PANEL_H") \
    || fail "no orange capture button in the panel"
read -r w h x y <<<"$button"
BUTTON_BOTTOM=$((y + h))
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
wait_until 5 panel_gone || fail "the capture button left the panel open"
wait_until 5 selection_shown || fail "the capture button started no selection"
sleep 0.3
screenshot selection.png
# The screen was taken with the panel gone: no orange button under the dim layer.
find_colour selection.png "rgb(255,149,0)" 0 0 "$SCREEN_W" "$SCREEN_H" >/dev/null && fail "the selection shows the panel"
xdotool key Escape
wait_until 5 selection_gone || fail "Escape left the selection open"

# The hot key, pressed while the panel is open, closes it before the screen is taken.
wait_for_log "✅ Global hotkey Ctrl+Shift+2 registered successfully" 5 || fail "the hot key was not registered"
open_panel panel-before-hot-key.png
xdotool key ctrl+shift+2
wait_for_log "🔥 Global hotkey pressed! Starting screenshot..." 5 || fail "the hot key did not reach the program"
wait_until 5 panel_gone || fail "the hot key left the panel open"
wait_until 5 selection_shown || fail "the hot key started no selection"
sleep 0.3
screenshot selection-from-hot-key.png
find_colour selection-from-hot-key.png "rgb(255,149,0)" 0 0 "$SCREEN_W" "$SCREEN_H" >/dev/null \
    && fail "the selection from the hot key shows the panel"
xdotool key Escape
wait_until 5 selection_gone || fail "Escape left the selection open"

# The older conversation's row, found by the blue bars of its chart thumbnail
# in the recent rows under the capture button.
open_panel panel-before-chat.png
open_conversation_row panel-before-chat.png "rgb(52,120,246)" $((PANEL_X + 15)) "$BUTTON_BOTTOM" 36 120 "$chart_title"
for line in "🔍 Opening conversation: $chart_title" "🔍 Messages count: 4" "🔍 Has screenshot data: true" \
    "✅ Screenshot loaded successfully, size: (480.0, 300.0)" \
    "🔄 Converting pair: 'What does this chart say about revenue across the ...' -> 'The chart shows revenue rising in every quarter, f...'" \
    "🔄 Converting pair: 'Which quarter grew the most?...' -> 'Q3 grew the most: its bar is almost twice as tall ...'" \
    "🔄 Created 2 AI responses"; do
    wait_for_log "$line" 1 || fail "missing log line: $line"
done
sleep 0.5
screenshot chat.png

kill -TERM "$PEXILO_PID"
wait_for_exit 10 || fail "SIGTERM did not end the program"
[ "$PEXILO_STATUS" -eq 0 ] || fail "the program ended with status $PEXILO_STATUS"
kill "$TRAYER_PID" 2>/dev/null
echo "PASS"
