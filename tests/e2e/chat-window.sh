#!/bin/bash
# The chat window as a user meets it: a question in the overlay, Chat, a
# follow-up typed in the chat window and answered as a new row, Copy, then
# Ctrl+W; the saved conversation holds the four messages. Reopened from the
# tray panel, the conversation is picked in the sidebar, asked once more and
# the window is closed from outside (the close request a window manager
# sends for its title bar): the same conversation now holds six messages,
# and there is no second one.
. "$(dirname "$0")/lib.sh"

question="What is in this picture?"
answer="The picture shows four coloured squares."
service_dir="$ARTIFACTS/service"
rm -rf "$service_dir" "$ARTIFACTS"/*.png
mkdir -p "$service_dir"

fresh_home
onboarded_defaults apiKey=sk-test-chat-window

printf '%s' "$answer" >"$ARTIFACTS/answer.txt"
"$FAKE_AI_SERVICE" "$service_dir" "$ARTIFACTS/answer.txt" >"$ARTIFACTS/service.log" 2>&1 &
SERVICE_PID=$!
trap 'kill $SERVICE_PID 2>/dev/null' EXIT
wait_until 10 test -s "$service_dir/port" || fail "the fake AI service did not start"
base="http://127.0.0.1:$(cut -d' ' -f2 "$service_dir/port")"
export PEXILO_API_BASE=$base PEXILO_API_FALLBACK_BASE=$base PEXILO_PROBE_URLS="$base,$base,$base"

convert -size 300x200 xc:'#e02020' xc:'#20b040' +append \( -size 300x200 xc:'#2050e0' xc:'#f0d020' +append \) -append \
    "$ARTIFACTS/pattern.png"
display -geometry +200+150 -title pattern "$ARTIFACTS/pattern.png" &
DISPLAY_PID=$!
trap 'kill $SERVICE_PID $DISPLAY_PID 2>/dev/null' EXIT
wait_until 10 sh -c 'xdotool search --onlyvisible --name "^pattern" >/dev/null 2>&1' || fail "the pattern window did not show"

start_tray_host
start_pexilo "$ARTIFACTS/pexilo.log"
wait_for_log "✅ Global hotkey Ctrl+Shift+2 registered successfully" 5 || fail "the hot key was not registered"

# What the store holds, as a new process of the application reads it.
stored() { "$STORE_READER" | sed -n 's/^STATE //p'; }
answers() { grep -cF "✅ Successfully received AI response" "$PEXILO_LOG"; }
closes() { grep -cF "💬 Chat window closed and conversation saved" "$PEXILO_LOG"; }
chat_window() { xdotool search --onlyvisible --name "^Pexilo Chat$" 2>/dev/null | head -1; }
# chat_click <x> <y>: a click at a point of the chat window.
chat_click() {
    eval "$(window_geometry "$(chat_window)")"
    xdotool mousemove $((X + $1)) $((Y + $2)) click 1
}
# ask_in_chat <x of the input> <question> <answers before>
ask_in_chat() {
    eval "$(window_geometry "$(chat_window)")"
    chat_click "$1" $((HEIGHT - 38))
    sleep 0.3
    xdotool type --delay 20 "$2"
    xdotool key Return
    wait_until 15 sh -c "[ \$(grep -cF '✅ Successfully received AI response' '$PEXILO_LOG') -gt $3 ]" \
        || fail "no answer to \"$2\""
    sleep 0.5
}

# The overlay: a question about the region, answered.
xdotool key ctrl+shift+2
wait_for_log "🔥 Global hotkey pressed! Starting screenshot..." 5 || fail "the hot key press did not arrive"
sleep 1
xdotool mousemove 298 248 mousedown 1
sleep 0.2
xdotool mousemove 300 250
sleep 0.2
xdotool mousemove 700 450
sleep 0.2
xdotool mouseup 1
sleep 1
xdotool type --delay 20 "$question"
xdotool key Return
wait_for_log "✅ Successfully received AI response" 15 || fail "no answer arrived in the overlay"
sleep 2
screenshot answered.png

# Chat: the rightmost pill at the bottom of the answer box, the light grey
# box below the selection.
box=$(convert "$ARTIFACTS/answered.png" -crop "${SCREEN_W}x$((SCREEN_H - 455))+0+455" +repage -fuzz 10% -fill white \
    +opaque "srgb(232,232,232)" -trim -format '%w %h %X %Y' info:) || fail "no answer box in the picture"
read -r box_w box_h box_x box_y <<<"$box"
xdotool mousemove $((box_x + box_w - 52)) $((455 + box_y + box_h - 55)) click 1
wait_until 5 chat_shown || fail "Chat did not open the chat window"
sleep 1
grep -qF "💾 Saved conversation" "$PEXILO_LOG" && fail "the hand-over to the chat window saved the conversation already"
screenshot chat-opened.png

# A follow-up typed in the chat window, answered as a new row.
ask_in_chat 600 "And the colours?" 1
screenshot chat-follow-up.png
[ "$(grep -l '"/v1/chat/completions"' "$service_dir"/*.json | wc -l)" -eq 2 ] || fail "the follow-up did not reach the service"
body=$(grep -l '"/v1/chat/completions"' "$service_dir"/*.json | sort -n | tail -1 | sed 's/\.json$/.body/')
jq -e --arg a "$answer" '.messages[0].content[0].text | contains($a) and contains("And the colours?")' "$body" >/dev/null \
    || fail "the follow-up was not sent with the conversation so far: $(head -c 300 "$body")"

# Copy: the screenshot as a PNG that another program can paste.
eval "$(window_geometry "$(chat_window)")"
# The two buttons below the image, Copy first; the image's shadow ends above them.
copy=$(convert "$ARTIFACTS/chat-follow-up.png" -crop 352x60+$((X + 24))+$((Y + 284)) +repage -fuzz 1% \
    -fill white +opaque "srgb(237,237,237)" -trim -format '%w %h %X %Y' info:) || fail "no buttons below the screenshot"
read -r copy_w copy_h copy_x copy_y <<<"$copy"
copy_x=$((X + 24 + copy_x)) copy_y=$((Y + 284 + copy_y))
xdotool mousemove $((copy_x + 20)) $((copy_y + copy_h / 2)) click 1
sleep 0.5
screenshot copied.png
wait_until 5 sh -c "xclip -selection clipboard -t image/png -o >'$ARTIFACTS/pasted.png' 2>/dev/null && [ -s '$ARTIFACTS/pasted.png' ]" \
    || fail "no PNG on the clipboard after Copy (it offers: $(timeout 5 xclip -selection clipboard -t TARGETS -o 2>&1 | tr '\n' ' '))"
[ "$(identify -format %wx%h "$ARTIFACTS/pasted.png")" = "400x192" ] \
    || fail "the pasted PNG is $(identify -format %wx%h "$ARTIFACTS/pasted.png"), not 400x192"
jq -r '.messages[0].content[1].image_url.url | ltrimstr("data:image/png;base64,")' "$body" | base64 -d >"$ARTIFACTS/sent.png"
cmp -s "$ARTIFACTS/pasted.png" "$ARTIFACTS/sent.png" || fail "the pasted PNG is not the screenshot that was sent"

# Ctrl+W: one conversation of four messages.
xdotool key ctrl+w
wait_until 5 sh -c '! xdotool search --onlyvisible --name "^Pexilo Chat$" >/dev/null 2>&1' || fail "Ctrl+W did not close the chat window"
[ "$(closes)" -eq 1 ] || fail "Ctrl+W closed $(closes) times"
state=$(stored)
echo "$state" | jq -e --arg q "$question" '.conversations | length == 1 and .[0].title == $q
    and (.[0].messages | map(.content)) == [$q, "'"$answer"'", "And the colours?", "'"$answer"'"]' >/dev/null \
    || fail "the saved conversation is not the four messages: $(echo "$state" | head -c 600)"
created=$(echo "$state" | jq '.conversations[0].createdAtMsecs')

# Reopened from the tray panel; the sidebar's row loads it; one more question.
find_tray_icon
open_panel panel.png
open_conversation_row panel.png "rgb(224,32,32)" "$PANEL_X" "$PANEL_Y" "$PANEL_W" "$PANEL_H" "$question"
sleep 1
chat_click 34 39 # the sidebar's button in the screenshot panel's header
sleep 1
screenshot chat-sidebar.png
eval "$(window_geometry "$(chat_window)")"
row=$(find_colour chat-sidebar.png "rgb(224,32,32)" "$X" $((Y + 100)) 300 300) || fail "no row with the screenshot's thumbnail in the sidebar"
read -r row_w row_h row_x row_y <<<"$row"
xdotool mousemove $((row_x + 120)) $((row_y + row_h / 2)) click 1
wait_for_log "📂 Loaded conversation: '$question'" 5 || fail "the sidebar's row did not load the conversation"
ask_in_chat 900 "Which is the largest?" 2
screenshot chat-reopened.png

# The window manager's close request, as the title bar's close button sends it.
"$SEND_CLOSE_REQUEST" "$(chat_window)" || fail "the close request could not be sent"
wait_until 5 sh -c "[ \$(grep -cF '💬 Chat window closed and conversation saved' '$PEXILO_LOG') -eq 2 ]" \
    || fail "the close request did not close the chat with a save"
wait_until 5 sh -c '! xdotool search --onlyvisible --name "^Pexilo Chat$" >/dev/null 2>&1' || fail "the chat window stayed"
state=$(stored)
echo "$state" | jq -e --arg q "$question" --argjson created "$created" '.conversations | length == 1
    and .[0].title == $q and .[0].createdAtMsecs == $created and (.[0].messages | length) == 6
    and .[0].messages[4].content == "Which is the largest?" and .[0].screenshotBase64 != null' >/dev/null \
    || fail "the conversation does not hold six messages in place: $(echo "$state" | head -c 600)"

kill -TERM "$PEXILO_PID"
wait_for_exit 10 && [ "$PEXILO_STATUS" -eq 0 ] || fail "pexilo did not end cleanly on SIGTERM"
echo "PASS"
