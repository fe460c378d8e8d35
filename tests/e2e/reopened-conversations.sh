#!/bin/bash
# Saved conversations reopened and continued, as a user moves between them:
# one reopened from the tray panel's recent row and asked once more; another
# opened from the panel while the chat shows the first with a question not
# saved yet; and a switch in the chat window's sidebar with a question not
# saved yet. After each, the store holds every question in the conversation
# it was asked in, with that conversation's own screenshot, and no
# conversation more.
. "$(dirname "$0")/lib.sh"

chart_title="What does this chart say about revenue across the ..."
code_title="What does this code print?"
rm -rf "$ARTIFACTS"/*.png

fresh_home
QT_QPA_PLATFORM=offscreen "$SEED_CONVERSATIONS" >"$ARTIFACTS/seed.log" 2>&1 \
    || fail "could not seed the conversations: $(cat "$ARTIFACTS/seed.log")"
sqlite3 "$XDG_CONFIG_HOME/Pexilo/defaults.sqlite3" \
    "INSERT OR REPLACE INTO defaults VALUES ('apiKey', 'sk-test-reopened')" || fail "could not store the key"

start_ai_service "Here is more about it."
trap 'kill $SERVICE_PID 2>/dev/null' EXIT
start_tray_host
start_pexilo "$ARTIFACTS/pexilo.log"
find_tray_icon

# What the store file holds, read with sqlite3 beside the running program:
# {"conversations":[{id, title, messages:[{content, isUser}], screenshot}]},
# newest first as the list shows them, each screenshot as its SHA3 digest
# (null when stored without one).
store_file="$XDG_CONFIG_HOME/Pexilo/defaults.sqlite3"
stored() {
    sqlite3 -readonly "$store_file" "SELECT json_object('conversations', coalesce(json_group_array(json(c)), json('[]')))
        FROM (SELECT json_object('id', id, 'title', json_extract(CAST(record AS TEXT), '$.title'),
                  'messages', json(json_extract(CAST(record AS TEXT), '$.messages')),
                  'screenshot', CASE WHEN screenshot IS NULL THEN NULL ELSE hex(sha3(screenshot)) END) AS c
              FROM conversations ORDER BY position DESC, rowid DESC)"
}
# count_of <line>: how often pexilo has logged the line so far.
count_of() { grep -cF -- "$1" "$PEXILO_LOG"; }
logged_at_least() { [ "$(count_of "$1")" -ge "$2" ]; }
# wait_for_count <line> <count>: until pexilo has logged the line that often.
wait_for_count() { wait_until 15 logged_at_least "$1" "$2"; }
chat_window() { xdotool search --onlyvisible --name "^Pexilo Chat$" 2>/dev/null | head -1; }
chat_gone() { [ -z "$(chat_window)" ]; }
# chat_click <x> <y>: a click at a point of the chat window.
chat_click() {
    eval "$(window_geometry "$(chat_window)")"
    xdotool mousemove $((X + $1)) $((Y + $2)) click 1
}
# ask_in_chat <x of the input> <question>: typed into the chat and answered.
ask_in_chat() {
    local answers
    answers=$(count_of "✅ Successfully received AI response")
    eval "$(window_geometry "$(chat_window)")"
    chat_click "$1" $((HEIGHT - 38))
    sleep 0.3
    xdotool type --delay 20 "$2"
    xdotool key Return
    wait_for_count "✅ Successfully received AI response" $((answers + 1)) || fail "no answer to \"$2\""
    sleep 0.5
}
# The prompt of the latest question sent to the service.
last_prompt() {
    local body
    body=$(grep -l '"/v1/chat/completions"' "$SERVICE_DIR"/*.json | sort -n | tail -1 | sed 's/\.json$/.body/')
    jq -r '.messages[0].content[0].text' "$body"
}
# reopen_from_panel <picture> <colour of the row's thumbnail> <title>: the
# recent row of that conversation, clicked in the tray panel; its thumbnail
# is found in the column of thumbnails under the orange capture button.
reopen_from_panel() {
    local opened
    opened=$(count_of "✅ Chat window opened")
    open_panel "$1"
    local button row w h x y
    button=$(find_colour "$1" "rgb(255,149,0)" $((PANEL_X + 100)) "$PANEL_Y" 80 "$PANEL_H") \
        || fail "no orange capture button in the panel"
    read -r w h x y <<<"$button"
    row=$(find_colour "$1" "$2" $((PANEL_X + 15)) $((y + h)) 36 120) || fail "no row of $3 in the panel"
    read -r w h x y <<<"$row"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
    wait_for_count "✅ Chat window opened" $((opened + 1)) || fail "$3 did not open from the panel"
    wait_until 5 chat_shown || fail "no chat window on screen"
    sleep 1
}
close_with_escape() {
    local closes
    closes=$(count_of "💬 Chat window closed and conversation saved")
    xdotool key Escape
    wait_for_count "💬 Chat window closed and conversation saved" $((closes + 1)) || fail "Escape did not close the chat"
    wait_until 5 chat_gone || fail "the chat window stayed"
}
# check_store <what> <jq test of .conversations>
check_store() {
    local state
    state=$(stored)
    echo "$state" | jq -e --argjson before "$seeded" ".conversations | $2" >/dev/null \
        || fail "$1: $(echo "$state" | jq -c '[.conversations[] | {title, messages: [.messages[].content]}]')"
}

seeded=$(stored)
echo "$seeded" | jq -e '.conversations | length == 2 and (.[0].messages | length) == 2 and (.[1].messages | length) == 4
    and .[0].screenshot != null and .[1].screenshot != null and .[0].screenshot != .[1].screenshot' \
    >/dev/null || fail "the seeded conversations are not as expected"
# Tests of one conversation by title: the messages it holds and its screenshot as seeded.
chart='(.[] | select(.title == "'"$chart_title"'"))'
code='(.[] | select(.title == "'"$code_title"'"))'
same_screenshots='length == 2 and '"$chart"'.id == $before.conversations[1].id
    and '"$chart"'.screenshot == $before.conversations[1].screenshot
    and '"$code"'.id == $before.conversations[0].id and '"$code"'.screenshot == $before.conversations[0].screenshot'

# 1. The chart's conversation (four messages), reopened from its recent row
# and asked once more, then Escape: six messages, asked with its own answers.
reopen_from_panel panel-1.png "rgb(52,120,246)" "$chart_title"
ask_in_chat 600 "Which quarter was the weakest?"
screenshot reopened-and-asked.png
last_prompt | grep -qF "Previous AI response: Q3 grew the most" \
    || fail "the question was not sent with the conversation's own answers: $(last_prompt | head -c 300)"
close_with_escape
check_store "the reopened conversation did not keep its question" "$same_screenshots
    and ($chart.messages | length) == 6 and $chart.messages[4].content == \"Which quarter was the weakest?\"
    and ($code.messages | length) == 2"

# 2. The chart again, asked once more; while its chat is open, the code's
# conversation is opened from the panel and asked: each keeps its own
# question and screenshot.
reopen_from_panel panel-2.png "rgb(52,120,246)" "$chart_title"
ask_in_chat 600 "And the trend?"
reopen_from_panel panel-over-chat.png "rgb(30,32,40)" "$code_title"
screenshot switched-from-panel.png
check_store "the chart's question was not saved before the code's conversation opened" "$same_screenshots
    and ($chart.messages | length) == 8 and $chart.messages[6].content == \"And the trend?\""
ask_in_chat 600 "And the odd numbers?"
last_prompt | grep -qF "Previous AI response: It prints the even numbers" \
    || fail "the code's question was not sent with its own answer: $(last_prompt | head -c 300)"
close_with_escape
check_store "the conversations do not each hold their own questions" "$same_screenshots
    and ($chart.messages | length) == 8 and ($code.messages | length) == 4
    and $code.messages[2].content == \"And the odd numbers?\""

# 3. The chart once more, asked, then the code's row clicked in the sidebar:
# the chart's question is saved before the code's conversation shows.
reopen_from_panel panel-3.png "rgb(52,120,246)" "$chart_title"
ask_in_chat 600 "Which quarter comes next?"
chat_click 34 39 # the sidebar's button in the screenshot panel's header
sleep 1
screenshot sidebar.png
eval "$(window_geometry "$(chat_window)")"
# The sidebar's column of thumbnails, 16 points in from its left edge.
row=$(find_colour sidebar.png "rgb(30,32,40)" $((X + 16)) $((Y + 100)) 32 400) \
    || fail "no row of the code's conversation in the sidebar"
read -r row_w row_h row_x row_y <<<"$row"
loaded=$(count_of "📂 Loaded conversation: '$code_title'")
xdotool mousemove $((row_x + 120)) $((row_y + row_h / 2)) click 1
wait_for_count "📂 Loaded conversation: '$code_title'" $((loaded + 1)) || fail "the sidebar's row did not open the code's conversation"
sleep 0.5
screenshot switched-in-sidebar.png
check_store "the chart's question was not saved before the sidebar switched" "$same_screenshots
    and ($chart.messages | length) == 10 and $chart.messages[8].content == \"Which quarter comes next?\"
    and ($code.messages | length) == 4"
close_with_escape
check_store "a close after the switch changed the store" "$same_screenshots
    and ($chart.messages | length) == 10 and ($code.messages | length) == 4"

kill -TERM "$PEXILO_PID"
wait_for_exit 10 && [ "$PEXILO_STATUS" -eq 0 ] || fail "pexilo did not end cleanly on SIGTERM"
echo "PASS"
