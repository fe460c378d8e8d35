#!/bin/bash
# The capture road in its own X server, at the scale QT_SCALE_FACTOR gives
# (1 when unset): a rectangle dragged over a window of known colours is
# captured with exactly the selected pixels, at the screen's pixel ratio;
# Escape, even while another application has the keyboard focus, ends the
# selection with no window left and no image.
. "$(dirname "$0")/lib.sh"

scale=${QT_SCALE_FACTOR:-1}
fresh_home

# X coordinates of a place given in logical pixels.
px() { echo $(( $1 * scale )); }

# A length in pixels aligned down to a multiple of 16, at least 16.
aligned() {
    local value=$(( $1 & ~15 ))
    [ "$value" -lt 16 ] && value=16
    echo "$value"
}

# start_driver <name>: runs capture-driver, logging to <name>.log and writing
# the capture to <name>-capture.png, and waits for its selection window.
start_driver() {
    PEXILO_LOG="$ARTIFACTS/$1.log"
    IMAGE="$ARTIFACTS/$1-capture.png"
    rm -f "$IMAGE"
    "$CAPTURE_DRIVER" "$IMAGE" >"$PEXILO_LOG" 2>&1 &
    DRIVER_PID=$!
    wait_for_log "🔧 Selection window shown" 10 || fail "no selection window"
    # Logged as it is asked to show: the drags begin once it is on screen
    # under the pointer, where they press first.
    xdotool mousemove "$(px 98)" "$(px 88)"
    wait_until 5 pointer_over_wide_window capture-driver "$SCREEN_W" || fail "the selection window is not under the pointer"
}

stop_driver() {
    kill "$DRIVER_PID" 2>/dev/null
    wait "$DRIVER_PID" 2>/dev/null
}

# colour_at <x> <y>: the RGB of a pixel of the capture, as RRGGBB.
colour_at() {
    convert "$IMAGE" -format '%[hex:u.p{'"$1,$2"'}]' info: | cut -c1-6
}

expect_colour() {
    local found
    found=$(colour_at "$1" "$2")
    [ "$found" = "$3" ] || fail "pixel $1,$2 of the capture is $found, expected $3 ($4)"
}

# No window of the driver covers the screen any more.
no_capture_window() {
    local w
    for w in $(xdotool search --onlyvisible --classname capture-driver 2>/dev/null); do
        eval "$(window_geometry "$w")"
        [ "$WIDTH" -ge "$SCREEN_W" ] && return 1
    done
    return 0
}

# --- A drag from (100, 90) to (305, 237), in logical pixels. It starts where
# the pointer first moves with the button down, two points from the press.
start_driver "capture-scale$scale"
xdotool mousemove "$(px 98)" "$(px 88)" mousedown 1
sleep 0.2
xdotool mousemove "$(px 100)" "$(px 90)"
sleep 0.2
xdotool mousemove "$(px 305)" "$(px 237)"
sleep 0.2
xdotool mouseup 1
wait_for_log "📸 Captured" 5 || fail "nothing was captured"
wait_for_log "🔧 Result window shown" 5 || fail "no result window"
grep -qF "🔧 Selection window hidden" "$PEXILO_LOG" || fail "the selection window stayed"
screenshot "capture-scale$scale-screen.png"

width=$(aligned $(( 205 * scale )))
height=$(aligned $(( 147 * scale )))
wait_for_log "📸 Captured ${width}x${height} pixels, $(( width / scale ))x$(( height / scale )) points, ratio $scale" 1 \
    || fail "the capture has the wrong size: $(grep -F "📸 Captured" "$PEXILO_LOG")"
[ "$(identify -format '%w %h' "$IMAGE")" = "$width $height" ] || fail "the PNG has the wrong size"

# The colours meet at (200, 150): 100 and 60 points into the capture.
expect_colour 0 0 FF0000 "the selection's top-left corner"
expect_colour $(( 100 * scale - 1 )) $(( 10 * scale )) FF0000 "left of the vertical edge"
expect_colour $(( 100 * scale )) $(( 10 * scale )) 00FF00 "right of the vertical edge"
expect_colour $(( 10 * scale )) $(( 60 * scale - 1 )) FF0000 "above the horizontal edge"
expect_colour $(( 10 * scale )) $(( 60 * scale )) 0000FF "below the horizontal edge"
expect_colour $(( 150 * scale )) $(( 100 * scale )) FFFF00 "lower right"
expect_colour $(( width - 1 )) $(( height - 1 )) FFFF00 "the last pixel"
stop_driver

# --- A drag that starts one device pixel past a logical one, (100, 90) at
# scale 1, between two logical pixels at scale 2: the capture starts at that
# device pixel, so the colour edges come one pixel earlier than above.
start_driver "device-pixel-scale$scale"
xdotool mousemove "$(px 98)" "$(px 88)" mousedown 1
sleep 0.2
xdotool mousemove $(( $(px 100) + 1 )) $(( $(px 90) + 1 ))
sleep 0.2
xdotool mousemove "$(px 305)" "$(px 237)"
sleep 0.2
xdotool mouseup 1
wait_for_log "📸 Captured" 5 || fail "nothing was captured"
expect_colour $(( 100 * scale - 2 )) $(( 10 * scale )) FF0000 "left of the vertical edge, a pixel earlier"
expect_colour $(( 100 * scale - 1 )) $(( 10 * scale )) 00FF00 "right of the vertical edge, a pixel earlier"
expect_colour $(( 10 * scale )) $(( 60 * scale - 2 )) FF0000 "above the horizontal edge, a pixel earlier"
expect_colour $(( 10 * scale )) $(( 60 * scale - 1 )) 0000FF "below the horizontal edge, a pixel earlier"
stop_driver

# --- Escape while another application has the keyboard focus.
xmessage -geometry +900+600 "Another application" &
OTHER_PID=$!
wait_until 10 sh -c 'xdotool search --onlyvisible --class Xmessage >/dev/null 2>&1' || fail "no other application"
other=$(xdotool search --onlyvisible --class Xmessage | head -n 1)

start_driver "escape-scale$scale"
xdotool windowfocus "$other"
[ "$(xdotool getwindowfocus)" = "$other" ] || fail "the other application did not get the focus"
xdotool key Escape
wait_for_log "🔧 Selection window hidden" 5 || fail "Escape did not end the selection"
sleep 0.5
wait_until 5 no_capture_window || fail "a capture window is still on screen"
screenshot "escape-scale$scale-screen.png"
! grep -qF "📸" "$PEXILO_LOG" || fail "a capture or an overlay after Escape"
[ ! -e "$IMAGE" ] || fail "an image after Escape"
kill -0 "$DRIVER_PID" 2>/dev/null || fail "the driver ended"
stop_driver
kill "$OTHER_PID"; wait "$OTHER_PID" 2>/dev/null
echo "PASS"
