# The onboarding window as a user meets it: finding it and its card, telling
# its steps apart by the progress dots, and clicking its buttons. Sourced
# after lib.sh.

# The window holds the 520 × 640 card and 28 pixels of room for its shadow
# on every side. It is made in the middle of the screen's available area,
# below the panel, where it shows (WINDOW_X, WINDOW_Y).
WINDOW_W=576 WINDOW_H=696
WINDOW_X=$((AREA_X + (AREA_W - WINDOW_W) / 2)) WINDOW_Y=$((AREA_Y + (AREA_H - WINDOW_H) / 2))

onboarding_window() {
    xdotool search --onlyvisible --classname pexilo 2>/dev/null | while read -r w; do
        eval "$(window_geometry "$w")"
        [ "$WIDTH" -eq $WINDOW_W ] && [ "$HEIGHT" -eq $WINDOW_H ] && echo "$w" && break
    done
}
onboarding_window_shown() { [ -n "$(onboarding_window)" ]; }
onboarding_window_gone() { [ -z "$(onboarding_window)" ]; }

# The card's top left corner on the screen: CARD_X, CARD_Y.
find_card() {
    eval "$(window_geometry "$(onboarding_window)")"
    CARD_X=$((X + 28)) CARD_Y=$((Y + 28))
}

# rgb <picture> <x> <y>: "r g b" of that pixel.
rgb() {
    convert "$ARTIFACTS/$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)] %[fx:int(255*p{$2,$3}.g+0.5)] %[fx:int(255*p{$2,$3}.b+0.5)]" info:
}

# How many of the five progress dots at the card's top right are blue. They
# are 6 pixels wide, 8 apart, the last one 28 pixels in from the card's edge,
# in the middle of the 44-pixel header.
blue_dots() {
    local picture=$1 count=0 dot r g b
    for dot in 0 1 2 3 4; do
        read -r r g b <<<"$(rgb "$picture" $((CARD_X + 520 - 28 - 62 + dot * 14 + 3)) $((CARD_Y + 22)))"
        [ "$b" -ge 200 ] && [ "$r" -le 60 ] && [ "$g" -ge 90 ] && [ "$g" -le 160 ] && count=$((count + 1))
    done
    echo "$count"
}

shows_step() {
    screenshot step.png
    [ "$(blue_dots step.png)" -eq "$1" ]
}

# Two pictures a moment apart are the same but for a blinking text cursor:
# no fade or slide is under way.
screen_settled() {
    screenshot settle-a.png
    sleep 0.2
    screenshot settle-b.png
    local changed
    changed=$(compare -metric AE "$ARTIFACTS/settle-a.png" "$ARTIFACTS/settle-b.png" null: 2>&1)
    awk -v changed="$changed" 'BEGIN { exit !(changed + 0 <= 60) }'
}

# wait_for_step <number> <picture>: waits until the dots show the step and
# its fade has ended, and takes its picture.
wait_for_step() {
    wait_until 10 shows_step "$1" || fail "the card did not move on to step $1 ($(blue_dots step.png) blue dots)"
    wait_until 10 screen_settled || fail "step $1 did not settle"
    screenshot "$2"
}

# The bottom button of a step: as wide as the card less 40 on either side,
# 32 above the card's bottom edge, about 51 pixels tall.
click_bottom_button() {
    xdotool mousemove $((CARD_X + 260)) $((CARD_Y + 640 - 32 - 25)) click 1
}

# box <picture> <colour> <fuzz> <x> <y> <width> <height>: "W H X Y" on the
# screen of the pixels of that colour in that part of the picture.
box() {
    local w h x y
    read -r w h x y <<<"$(convert "$ARTIFACTS/$1" -crop "${6}x${7}+${4}+${5}" +repage -fuzz "$3" \
        -fill black +opaque "$2" -fill white -opaque "$2" -trim -format '%w %h %X %Y' info: 2>/dev/null)"
    [ -n "$w" ] && [ "$w" -gt 1 ] && [ "$h" -gt 1 ] || return 1
    echo "$w $h $(($4 + x)) $(($5 + y))"
}

# Clicks "Continue to App" on the last step (its picture: $1): the grey
# button 12 pixels under the blue "Send Feedback", as tall.
click_continue_to_app() {
    local send sw sh sx sy
    send=$(box "$1" "rgb(0,122,255)" 6% "$CARD_X" $((CARD_Y + 44)) 520 596) || fail "no Send Feedback button"
    read -r sw sh sx sy <<<"$send"
    [ "$sw" -ge 400 ] || fail "the blue box found on the last step is ${sw} wide, not a button"
    xdotool mousemove $((sx + sw / 2)) $((sy + sh + 12 + sh / 2)) click 1
}
