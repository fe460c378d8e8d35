# Shared steps of the whole-program tests. Sourced by each test script, which
# runs on a desktop of its own (tests/support/x-session.sh --desktop: an X
# server, openbox, and trayer as the panel along the top edge) with the
# pexilo binary as $PEXILO and a folder for pictures and logs as $ARTIFACTS.

set -u
mkdir -p "$ARTIFACTS"

# Every address pexilo may contact points at a closed port on loopback until
# a test starts the fake service, whatever the caller's environment holds.
closed_loopback=http://127.0.0.1:1
export PEXILO_API_BASE=$closed_loopback PEXILO_API_FALLBACK_BASE=$closed_loopback \
    PEXILO_PROBE_URLS=$closed_loopback

# The screen's size, and its available area: what the panels leave of it
# (the window manager's work area).
read -r SCREEN_W SCREEN_H <<<"$(xdotool getdisplaygeometry)"
read -r AREA_X AREA_Y AREA_W AREA_H <<<"$(xprop -root _NET_WORKAREA 2>/dev/null \
    | sed -n 's/^[^=]*= *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1 \2 \3 \4/p')"
[ -n "${AREA_H:-}" ] || { AREA_X=0 AREA_Y=0 AREA_W=$SCREEN_W AREA_H=$SCREEN_H; }

fail() {
    echo "FAIL: $*" >&2
    [ -n "${PEXILO_LOG:-}" ] && [ -f "$PEXILO_LOG" ] && { echo "--- pexilo log ---" >&2; cat "$PEXILO_LOG" >&2; }
    exit 1
}

# wait_until <seconds> <command...>: polls the command until it succeeds;
# gives up at the deadline, or at once when the command returns 99.
wait_until() {
    local deadline=$(( $(date +%s) + $1 ))
    shift
    until "$@"; do
        [ $? -eq 99 ] && return 1
        [ "$(date +%s)" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

# A fresh configuration folder and runtime folder for one program run.
fresh_home() {
    export XDG_CONFIG_HOME=$(mktemp -d)
    export XDG_RUNTIME_DIR=$(mktemp -d)
    chmod 700 "$XDG_RUNTIME_DIR"
}

# onboarded_defaults [key=text ...]: a configuration that has finished the
# onboarding, with the texts given stored beside it; sets $defaults.
onboarded_defaults() {
    defaults="$XDG_CONFIG_HOME/Pexilo/defaults.sqlite3"
    mkdir -p "$(dirname "$defaults")"
    local rows="('hasCompletedOnboarding', 1)" pair
    for pair in "$@"; do
        rows="$rows, ('${pair%%=*}', '${pair#*=}')"
    done
    sqlite3 "$defaults" "CREATE TABLE defaults(key TEXT PRIMARY KEY NOT NULL, value);
        INSERT INTO defaults VALUES $rows;"
}

# The tray host is the desktop's panel, which x-session.sh starts and waits
# for before the script begins; TRAYER_PID names it.
start_tray_host() {
    [ -n "${TRAYER_PID:-}" ] || fail "no tray host: run the test in x-session.sh --desktop"
    wait_until 20 tray_host_ready || fail "the tray host (trayer, pid $TRAYER_PID) is not running"
}

# The tray host's window is up, or the tray host has ended.
tray_host_ready() {
    kill -0 "$TRAYER_PID" 2>/dev/null || return 99
    xdotool search --onlyvisible --class trayer >/dev/null 2>&1
}

# Ends the tray host and waits until it is gone, for a desktop without one.
stop_tray_host() {
    kill "$TRAYER_PID" 2>/dev/null
    wait_until 10 sh -c "! kill -0 $TRAYER_PID 2>/dev/null" || fail "the tray host did not end"
}

# Whether every address pexilo may contact is on 127.0.0.1.
endpoints_on_loopback() {
    local url
    for url in "$PEXILO_API_BASE" "$PEXILO_API_FALLBACK_BASE" ${PEXILO_PROBE_URLS//,/ }; do
        [[ $url =~ ^https?://127\.0\.0\.1(:[0-9]+)?(/[^@]*)?$ ]] || { echo "$url"; return 1; }
    done
}

# start_pexilo <log file>: starts the program and waits for its start line.
start_pexilo() {
    local away
    away=$(endpoints_on_loopback) || fail "pexilo would contact $away, which is not on 127.0.0.1"
    PEXILO_LOG=$1
    "$PEXILO" >"$PEXILO_LOG" 2>&1 &
    PEXILO_PID=$!
    wait_for_log "✅ Pexilo started" 10 || fail "pexilo did not log its start line"
}

# wait_for_log <line> [seconds]
wait_for_log() {
    wait_until "${2:-10}" grep -qF -- "$1" "$PEXILO_LOG"
}

# wait_for_exit <seconds>: waits for pexilo to end and sets PEXILO_STATUS.
wait_for_exit() {
    local deadline=$(( $(date +%s) + $1 ))
    while kill -0 "$PEXILO_PID" 2>/dev/null; do
        [ "$(date +%s)" -ge "$deadline" ] && return 1
        sleep 0.1
    done
    wait "$PEXILO_PID"
    PEXILO_STATUS=$?
}

# window_geometry <window>: where the window shows on the screen and its
# size, as the shell assignments X, Y, WIDTH and HEIGHT (all 0 for a window
# that is gone). Not xdotool's getwindowgeometry: for a window in a window
# manager's frame it adds the frame's offset twice.
window_geometry() {
    echo "X=0 Y=0 WIDTH=0 HEIGHT=0"
    xwininfo -id "$1" 2>/dev/null | awk -F: '
        /Absolute upper-left X/ { printf "X=%d\n", $2 }
        /Absolute upper-left Y/ { printf "Y=%d\n", $2 }
        /^ *Width:/ { printf "WIDTH=%d\n", $2 }
        /^ *Height:/ { printf "HEIGHT=%d\n", $2 }'
}

# pointer_over_wide_window <classname> <width>: whether the window under the
# pointer is a visible one of that class at least that wide (a selection
# window, mapped and on top, so that a press there reaches it).
pointer_over_wide_window() {
    local WINDOW X Y SCREEN WIDTH HEIGHT
    eval "$(xdotool getmouselocation --shell)"
    xdotool search --onlyvisible --classname "$1" 2>/dev/null | grep -qx "$WINDOW" || return 1
    eval "$(window_geometry "$WINDOW")"
    [ "$WIDTH" -ge "$2" ]
}

# The visible window of pexilo's tray icon, docked in the tray host: the one
# of pexilo's windows no larger than a tray slot.
tray_icon_window() {
    xdotool search --onlyvisible --classname pexilo 2>/dev/null | while read -r w; do
        eval "$(window_geometry "$w")"
        [ "$WIDTH" -gt 4 ] && [ "$HEIGHT" -gt 4 ] && [ "$WIDTH" -le 64 ] && [ "$HEIGHT" -le 64 ] && echo "$w" && break
    done
}

tray_icon_present() {
    [ -n "$(tray_icon_window)" ]
}

screenshot() {
    import -window root "$ARTIFACTS/$1"
}

# unique_colours <picture> <width>x<height>+<x>+<y>
unique_colours() {
    convert "$1" -crop "$2" +repage -format %k info:
}

# The tray panel and the chat window. click_icon needs ICON_X, ICON_Y, ICON_W
# and ICON_H (see find_tray_icon).
panel_loaded="📊 Menu bar loaded"

find_tray_icon() {
    wait_until 10 tray_icon_present || fail "no tray icon window"
    eval "$(window_geometry "$(tray_icon_window)")"
    ICON_X=$X ICON_Y=$Y ICON_W=$WIDTH ICON_H=$HEIGHT
}

# pexilo's visible tray panel: 282 wide (the panel and its outline).
panel_window() {
    xdotool search --onlyvisible --classname pexilo 2>/dev/null | while read -r w; do
        eval "$(window_geometry "$w")"
        [ "$WIDTH" -eq 282 ] && echo "$w" && break
    done
}
panel_shown() { [ -n "$(panel_window)" ]; }
panel_gone() { [ -z "$(panel_window)" ]; }

# The visible pexilo window over the whole screen, panel included: the
# selection, or the overlay that follows it.
fullscreen_window() {
    xdotool search --onlyvisible --classname pexilo 2>/dev/null | while read -r w; do
        eval "$(window_geometry "$w")"
        [ "$X" -eq 0 ] && [ "$Y" -eq 0 ] && [ "$WIDTH" -eq "$SCREEN_W" ] && [ "$HEIGHT" -eq "$SCREEN_H" ] \
            && echo "$w" && break
    done
}
selection_shown() { [ -n "$(fullscreen_window)" ]; }

selection_gone() { ! selection_shown; }

chat_shown() {
    xdotool search --onlyvisible --name "^Pexilo Chat$" >/dev/null 2>&1
}

click_icon() {
    xdotool mousemove $((ICON_X + ICON_W / 2)) $((ICON_Y + ICON_H / 2)) click 1
}

# open_panel <picture>: clicks the icon, waits for the panel and takes a
# picture; sets PANEL_X, PANEL_Y, PANEL_W, PANEL_H.
open_panel() {
    local count
    count=$(grep -cF -- "$panel_loaded" "$PEXILO_LOG")
    click_icon
    wait_until 5 sh -c "[ \$(grep -cF -- '$panel_loaded' '$PEXILO_LOG') -gt $count ]" || fail "the panel did not load"
    wait_until 5 panel_shown || fail "no panel on screen"
    eval "$(window_geometry "$(panel_window)")"
    PANEL_X=$X PANEL_Y=$Y PANEL_W=$WIDTH PANEL_H=$HEIGHT
    sleep 0.3
    screenshot "$1"
}

# find_colour <picture> <colour> <x> <y> <width> <height>: the box "W H X Y"
# (screen coordinates) of the pixels near that colour in that part of the screen.
find_colour() {
    local box
    box=$(convert "$ARTIFACTS/$1" -crop "${5}x${6}+${3}+${4}" +repage \
        -fuzz 4% -fill white +opaque "$2" -trim -format '%w %h %X %Y' info: 2>/dev/null) || return 1
    local w h x y
    read -r w h x y <<<"$box"
    [ "$w" -gt 1 ] && [ "$h" -gt 1 ] || return 1
    echo "$w $h $(( $3 + x )) $(( $4 + y ))"
}


# open_conversation_row <picture> <colour> <x> <y> <width> <height> <title>:
# clicks the recent row whose thumbnail shows that colour in that part of the
# open panel's picture, and waits for the chat window it opens.
open_conversation_row() {
    local row w h x y
    row=$(find_colour "$1" "$2" "$3" "$4" "$5" "$6") || fail "no thumbnail of that colour in the panel"
    read -r w h x y <<<"$row"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
    wait_for_log "🖱️ Clicked on conversation: $7" 5 || fail "the row click was not logged"
    wait_for_log "✅ Chat window opened" 5 || fail "the chat window did not open"
    wait_until 5 chat_shown || fail "no Pexilo Chat window on screen"
}

# start_ai_service <answer text>: the fake AI service on loopback, answering
# every question with the text, recording each request in $SERVICE_DIR; points
# pexilo's addresses at it.
start_ai_service() {
    SERVICE_DIR="$ARTIFACTS/service"
    rm -rf "$SERVICE_DIR"
    mkdir -p "$SERVICE_DIR"
    printf '%s' "$1" >"$ARTIFACTS/answer.txt"
    "$FAKE_AI_SERVICE" "$SERVICE_DIR" "$ARTIFACTS/answer.txt" >"$ARTIFACTS/service.log" 2>&1 &
    SERVICE_PID=$!
    wait_until 10 test -s "$SERVICE_DIR/port" || fail "the fake AI service did not start"
    local base="http://127.0.0.1:$(cut -d' ' -f2 "$SERVICE_DIR/port")"
    export PEXILO_API_BASE=$base PEXILO_API_FALLBACK_BASE=$base PEXILO_PROBE_URLS="$base,$base,$base"
}

# show_pattern_window: a window of known content, four coloured quadrants,
# 600 × 400 at (200, 150).
show_pattern_window() {
    convert -size 300x200 xc:'#e02020' xc:'#20b040' +append \( -size 300x200 xc:'#2050e0' xc:'#f0d020' +append \) -append \
        "$ARTIFACTS/pattern.png"
    display -geometry +200+150 -title pattern "$ARTIFACTS/pattern.png" &
    DISPLAY_PID=$!
    wait_until 10 sh -c 'xdotool search --onlyvisible --name "^pattern" >/dev/null 2>&1' || fail "the pattern window did not show"
}

# drag_selection <x1> <y1> <x2> <y2>: drags a selection rectangle once the
# selection window is up. The selection starts where the pointer first moves
# with the button down, so the press comes just before that point.
drag_selection() {
    wait_until 5 selection_shown || fail "no selection window on screen"
    sleep 0.5 # it takes the pointer and the keyboard as it shows
    xdotool mousemove $(($1 - 2)) $(($2 - 2)) mousedown 1
    sleep 0.2
    xdotool mousemove "$1" "$2"
    sleep 0.2
    xdotool mousemove "$3" "$4"
    sleep 0.2
    xdotool mouseup 1
}

# ask_about_selection <question>: the hot key, a 400 × 200 selection over
# 300,250–700,450, the question typed into the overlay and its answer, with
# overlay.png before the question and answered.png after the answer.
ask_about_selection() {
    xdotool key ctrl+shift+2
    wait_for_log "🔥 Global hotkey pressed! Starting screenshot..." 5 || fail "the hot key press did not arrive"
    drag_selection 300 250 700 450
    sleep 1 # the overlay shows; its question field takes the keyboard 0.1 s later
    screenshot overlay.png
    xdotool type --delay 20 "$1"
    xdotool key Return
    wait_for_log "✅ Successfully received AI response" 15 || fail "no answer arrived"
    sleep 2 # the answer box grows and settles
    screenshot answered.png
}

# colour_runs <picture> <colour> <x> <y> <height>: the stretches of the
# column x, from y down for height pixels, that show that colour, one
# "<top> <bottom>" line each (screen coordinates); stretches less than 12
# pixels apart count as one.
colour_runs() {
    convert "$ARTIFACTS/$1" -crop "1x${5}+${3}+${4}" +repage -fuzz 2% -fill '#ff00ff' -opaque "$2" \
        -fuzz 0 -fill black +opaque '#ff00ff' txt:- \
        | awk -F'[,: ]+' -v top="$4" '
            NR > 1 && /#FF00FF/ {
                if (start < 0 || $2 > last + 12) { if (start >= 0) print start + top, last + top; start = $2 }
                last = $2
            }
            BEGIN { start = -1 }
            END { if (start >= 0) print start + top, last + top }'
}
