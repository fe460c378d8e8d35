#!/bin/bash
# A new user's first answer, from an empty configuration and without touching
# the defaults file: finish onboarding, open Settings from the tray panel,
# choose "AI & Analysis", type the API key, close the window; then
# Ctrl+Shift+2, a drag and a question reach the AI service with that key, and
# the answer shows. The key is stored as it is typed. On the way, a picture of
# each of the six panels; at the end, a name typed into Settings survives
# quitting with the window open.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/onboarding-steps.sh"

key="sk-proj-FirstAnswer_e2e-7Qx9"
question="What colours are these?"
answer="Red, green, blue and yellow."
registered="✅ Global hotkey Ctrl+Shift+2 registered successfully"
rm -rf "$ARTIFACTS"/*.png

# The onboarding a new user goes through, from its window to its end: every
# step with the mouse, nothing typed or switched.
finish_onboarding() {
    wait_for_log "🔧 Window should now be visible" 5 || fail "no onboarding window on a first start"
    wait_until 5 onboarding_window_shown || fail "no onboarding window on screen"
    find_card
    wait_for_step 1 onboarding.png
    local step
    for step in 2 3 4 5; do
        click_bottom_button
        wait_for_step "$step" onboarding-step-$step.png
    done
    click_continue_to_app onboarding-step-5.png
    wait_for_log "🔧 Onboarding completed, closing window" 5 || fail "onboarding did not complete"
}

settings_window() {
    xdotool search --onlyvisible --name '^Pexilo Settings$' 2>/dev/null | head -1
}
settings_shown() { [ -n "$(settings_window)" ]; }
settings_gone() { [ -z "$(settings_window)" ]; }

# The settings window's sidebar item <n> (0 for General), 4 pixels below the
# one before, found from the accent fill of the selected item in the picture
# (left of the symbols, which are in the accent too).
click_category() {
    local n=$1 w h x y
    read -r w h x y <<<"$SELECTED_ITEM"
    xdotool mousemove $((WIN_X + 110)) $((y + n * (h + 4) + h / 2)) click 1
}

fresh_home
defaults="$XDG_CONFIG_HOME/Pexilo/defaults.sqlite3"
start_ai_service "$answer"
trap 'kill $SERVICE_PID 2>/dev/null' EXIT
show_pattern_window
trap 'kill $SERVICE_PID $DISPLAY_PID 2>/dev/null' EXIT
start_tray_host
start_pexilo "$ARTIFACTS/pexilo.log"

finish_onboarding
wait_until 5 sh -c "[ \$(grep -cF -- '$registered' '$PEXILO_LOG') -ge 2 ]" \
    || fail "the hot key was not registered again after onboarding"

# open_settings <picture>: opens the settings window through the tray
# panel's "Settings", the second of its blue row symbols, and takes a picture
# of it; sets WINDOW, WIN_X, WIN_Y and SELECTED_ITEM.
open_settings() {
    local runs top bottom count
    count=$(grep -cF -- "🔧 Settings window should now be visible" "$PEXILO_LOG")
    open_panel "panel-before-$1"
    runs=$(colour_runs "panel-before-$1" "rgb(0,122,255)" $((PANEL_X + 30)) "$PANEL_Y" "$PANEL_H")
    [ "$(wc -l <<<"$runs")" -eq 4 ] || fail "the panel does not show four blue row symbols: $runs"
    read -r top bottom <<<"$(sed -n 2p <<<"$runs")"
    xdotool mousemove $((PANEL_X + 100)) $(((top + bottom) / 2)) click 1
    wait_until 5 sh -c "[ \$(grep -cF -- '🔧 Settings window should now be visible' '$PEXILO_LOG') -gt $count ]" \
        || fail "Settings did not open the settings window"
    wait_until 5 settings_shown || fail "no Pexilo Settings window on screen"
    WINDOW=$(settings_window)
    eval "$(window_geometry "$WINDOW")"
    WIN_X=$X WIN_Y=$Y
    [ "$WIDTH" -eq 900 ] && [ "$HEIGHT" -eq 650 ] || fail "the settings window is ${WIDTH}x${HEIGHT}, not 900x650"
    sleep 0.5
    screenshot "$1"
    SELECTED_ITEM=$(find_colour "$1" "rgb(237,102,36)" $((WIN_X + 14)) "$WIN_Y" 10 650) \
        || fail "no selected item in the sidebar"
}

# click_field <picture> <row> <field width>: clicks the text field at the
# trailing edge of the panel's row <row> (1 for the first; rows are white on
# the pane's lighter grey); sets ROWS to the rows found.
click_field() {
    local top bottom
    ROWS=$(colour_runs "$1" "rgb(255,255,255)" $((WIN_X + 221 + 32 + 8)) $((WIN_Y + 110)) 500)
    read -r top bottom <<<"$(sed -n "${2}p" <<<"$ROWS")"
    [ -n "$top" ] || fail "no row $2 in the panel: $ROWS"
    xdotool mousemove $((WIN_X + 900 - 32 - 20 - $3 / 2)) $(((top + bottom) / 2)) click 1
    sleep 0.2
}

find_tray_icon
open_settings settings-1-general.png

# A picture of every panel, then "AI & Analysis".
n=1
for name in account ai-analysis screenshots automation about; do
    click_category $n
    n=$((n + 1))
    sleep 0.4
    screenshot "settings-$n-$name.png"
done
click_category 2
sleep 0.4
screenshot settings-ai.png

# The key field, 300 wide, in the panel's second row.
click_field settings-ai.png 2 300
[ "$(wc -l <<<"$ROWS")" -eq 2 ] || fail "the AI & Analysis panel does not show two rows: $ROWS"
xdotool type --delay 20 "$key"
sleep 0.3
screenshot settings-key-typed.png
# The key is stored as it is typed, before the window closes, so that a
# question asked with the window open uses it too.
stored_key() { sqlite3 "$defaults" "SELECT value FROM defaults WHERE key = 'apiKey'"; }
key_stored() { [ "$(stored_key)" = "$key" ]; }
wait_until 5 key_stored || fail "the key typed is not what the defaults hold: \"$(stored_key)\""

"$SEND_CLOSE_REQUEST" "$WINDOW" || fail "could not ask the settings window to close"
wait_until 5 settings_gone || fail "the settings window stayed open"
[ "$(stat -c %a "$defaults")" = 600 ] || fail "the defaults file is readable by others: $(stat -c %a "$defaults")"

# The first question, with the key just typed.
ask_about_selection "$question"

requests=$(grep -l '"/v1/chat/completions"' "$SERVICE_DIR"/*.json 2>/dev/null)
[ "$(wc -l <<<"$requests")" -eq 1 ] || fail "the service received no single chat-completions request"
[ "$(jq -r '.headers.Authorization' "$requests")" = "Bearer $key" ] \
    || fail "the request carried $(jq -r '.headers.Authorization' "$requests"), not the key typed"
grep -qF "$key" "$PEXILO_LOG" && fail "the key went to the log"
# The answer is on screen: the overlay around the selection changed once it came.
changed=$(compare -metric AE -fuzz 5% "$ARTIFACTS/overlay.png" "$ARTIFACTS/answered.png" null: 2>&1 || true)
[ "${changed%% *}" -gt 2000 ] || fail "the overlay looks the same after the answer ($changed pixels changed)"

xdotool key Escape
wait_for_log "📸 Overlay closed and new conversation started" 5 || fail "Escape did not close the overlay"

# Quitting with the settings window open keeps what was typed into it.
open_settings settings-again.png
click_category 1
sleep 0.4
screenshot settings-account.png
click_field settings-account.png 1 200
xdotool type --delay 20 "Ada"
sleep 0.3
kill -TERM "$PEXILO_PID"
wait_for_exit 10 && [ "$PEXILO_STATUS" -eq 0 ] || fail "pexilo did not end cleanly on SIGTERM"
[ "$(sqlite3 "$defaults" "SELECT value FROM defaults WHERE key = 'userName'")" = "Ada" ] \
    || fail "the name typed before quitting was lost"
[ "$(sqlite3 "$defaults" "SELECT value FROM defaults WHERE key = 'apiKey'")" = "$key" ] \
    || fail "the key did not survive the second visit"
kill "$TRAYER_PID" 2>/dev/null
echo "PASS"
