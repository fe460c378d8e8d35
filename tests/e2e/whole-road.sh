#!/bin/bash
# The first whole road, as a user takes it: Ctrl+Shift+2, a rectangle dragged
# over a window of known colours, a question typed into the overlay and sent
# with Return, the answer on screen, Escape. Afterwards the AI service has
# seen one request about exactly that region, the defaults hold the
# conversation with its question, answer and screenshot, and the tray panel
# lists it and opens it in the chat window with its transcript.
. "$(dirname "$0")/lib.sh"

question="What is in this picture?"
answer="The picture shows four coloured squares: **red**, green, blue and yellow."
rm -rf "$ARTIFACTS"/*.png

fresh_home
onboarded_defaults apiKey=sk-test-whole-road

start_ai_service "$answer"
trap 'kill $SERVICE_PID 2>/dev/null' EXIT
service_dir=$SERVICE_DIR
show_pattern_window
trap 'kill $SERVICE_PID $DISPLAY_PID 2>/dev/null' EXIT

start_tray_host
start_pexilo "$ARTIFACTS/pexilo.log"
wait_for_log "✅ Global hotkey Ctrl+Shift+2 registered successfully" 5 || fail "the hot key was not registered"

# The selection lies over all four quadrants.
ask_about_selection "$question"

xdotool key Escape
wait_for_log "📸 Overlay closed and new conversation started" 5 || fail "Escape did not close the overlay"
sleep 0.3

# One chat-completions request about exactly the selected region.
requests=$(grep -l '"/v1/chat/completions"' "$service_dir"/*.json 2>/dev/null | wc -l)
[ "$requests" -eq 1 ] || fail "the service received $requests chat-completions requests"
body=$(grep -l '"/v1/chat/completions"' "$service_dir"/*.json | sed 's/\.json$/.body/')
jq -e --arg q "$question" '.model == "gpt-4o" and .max_tokens == 1000 and .temperature == 0.7
    and (.messages | length) == 1 and .messages[0].role == "user"
    and .messages[0].content[0] == {type: "text", text: $q}
    and .messages[0].content[1].type == "image_url" and .messages[0].content[1].image_url.detail == "high"
    and (.messages[0].content[1].image_url.url | startswith("data:image/png;base64,"))' "$body" >/dev/null \
    || fail "the request body does not have the expected shape: $(head -c 300 "$body")"
jq -r '.messages[0].content[1].image_url.url | ltrimstr("data:image/png;base64,")' "$body" | base64 -d >"$ARTIFACTS/sent.png"
# 400 × 200 points at scale 1, aligned down to multiples of 16 pixels.
[ "$(identify -format %wx%h "$ARTIFACTS/sent.png")" = "400x192" ] \
    || fail "the image sent is $(identify -format %wx%h "$ARTIFACTS/sent.png"), not 400x192"
# The region's quadrants: (300,250) lies 100,100 into the red one.
pixel() { convert "$ARTIFACTS/sent.png" -format "%[hex:u.p{$1,$2}]" info: | cut -c1-6; }
[ "$(pixel 5 5)" = "E02020" ] || fail "top left of the image is $(pixel 5 5), not the red quadrant"
[ "$(pixel 395 5)" = "20B040" ] || fail "top right of the image is $(pixel 395 5), not the green quadrant"
[ "$(pixel 5 186)" = "2050E0" ] || fail "bottom left of the image is $(pixel 5 186), not the blue quadrant"
[ "$(pixel 395 186)" = "F0D020" ] || fail "bottom right of the image is $(pixel 395 186), not the yellow quadrant"

# The saved conversation, in a row of its own: its title is the question,
# its messages the question and the answer, its screenshot the PNG that was
# sent.
saved="$ARTIFACTS/saved.json"
[ "$(sqlite3 "$defaults" "SELECT count(*) FROM conversations")" = 1 ] || fail "not one saved conversation in the defaults"
sqlite3 "$defaults" "SELECT writefile('$saved', record) FROM conversations" >/dev/null
[ -s "$saved" ] || fail "no saved conversation in the defaults"
jq -e --arg q "$question" --arg a "$answer" '.title == $q and (has("screenshotData") | not)
    and (.messages | map({content, isUser})) == [{content: $q, isUser: true}, {content: $a, isUser: false}]' \
    "$saved" >/dev/null || fail "the saved conversation is not the one asked: $(head -c 400 "$saved")"
sqlite3 "$defaults" "SELECT writefile('$ARTIFACTS/saved.png', screenshot) FROM conversations" >/dev/null
cmp -s "$ARTIFACTS/saved.png" "$ARTIFACTS/sent.png" || fail "the saved screenshot is not the PNG that was sent"

# The tray panel lists the conversation; its row, found by the red of its
# thumbnail, opens it in the chat window.
find_tray_icon
open_panel panel.png
wait_for_log "📊 Menu bar loaded - Conversations count: 1" 1 || fail "the panel does not count the saved conversation"
open_conversation_row panel.png "rgb(224,32,32)" "$PANEL_X" "$PANEL_Y" "$PANEL_W" "$PANEL_H" "$question"
wait_for_log "🔍 Messages count: 2" 1 || fail "the chat window did not get the two messages"
sleep 0.5
screenshot chat.png

kill -TERM "$PEXILO_PID"
wait_for_exit 10 && [ "$PEXILO_STATUS" -eq 0 ] || fail "pexilo did not end cleanly on SIGTERM"
echo "PASS"
