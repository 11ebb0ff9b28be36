#!/usr/bin/env bash
# velkin flown as a user would, under Xvfb (run inside xvfb_session.sh):
#   1. holding Shift and Left, successive pictures keep the aircraft in the
#      middle (the view follows it) while the terrain beneath changes;
#   2. pressing Space puts green missiles on the screen;
#   3. once they have ended, R brings back the very first picture;
#   4. a tour far from the start: 8 s with Control straight on, a 180 degree
#      turn where it stands and 8 s back, from the start a climbing circle to
#      the ceiling, three missiles there (green), a left drag and a
#      both-button drag. In every picture at least 90% of the
#      window is not black and the red aircraft shows; the left drag turns
#      the world about its own origin, under the aircraft, so the aircraft
#      stays within 40 pixels of where it was. Then the world shrunk to 0.05
#      and to 0.05^4 with both buttons: the terrain still lights at least 90%
#      of the window;
#   5. WM_DELETE_WINDOW closes the window and velkin exits with status 0.
#
# Usage: flight_e2e.sh <velkin> <helper dir> <work dir> [<screenshot dir>]
# (the helper dir holds close_window and frame_measure). With a screenshot
# dir, the pictures of the turn, of the missiles and of the tour are copied
# there (flying-turn.png, flying-missiles.png, tour-*.png).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../e2e/e2e_lib.sh"

# Starts velkin and checks the first picture (see e2e_session).
e2e_session "$@"
pixels=$E2E_PIXELS
shots=$E2E_SHOTS

# Conditions on a picture (measure line, file [, arguments]): see e2e_picture.
# followed <earlier picture>: the aircraft in the middle over the terrain,
# and a tenth of the window changed since the earlier picture.
followed() {
    [ "$(e2e_field "$1" red)" -gt 50 ] && e2e_in_middle "$1" && [ "$(e2e_field "$1" terrain)" -gt $((pixels / 5)) ] &&
        [ "$(e2e_differ "$3" "$2")" -gt $((pixels / 10)) ]
}
# green_over <count>: more than <count> green missile pixels (by hue and
# contrast with the terrain: see frame_measure.cpp).
green_over() { [ "$(e2e_field "$1" green)" -gt "$3" ]; }
no_green() { [ "$(e2e_field "$1" green)" -eq 0 ]; }

# 1. Fly a left turn with the camera following: the terrain moves beneath the
# aircraft, a tenth of the window at a time, while the aircraft stays in the
# middle.
xdotool windowfocus "$E2E_WID" 2>/dev/null || true
xdotool keydown shift
xdotool keydown Left
e2e_picture turn1.png 10 "the terrain moving beneath the following view" followed first.png
echo "turn1:    $E2E_M"
e2e_picture turn2.png 10 "the terrain moving on beneath the following view" followed turn1.png
echo "turn2:    $E2E_M"
xdotool keyup Left
xdotool keyup shift

# fire <picture> <seconds> <green pixels>: holds Space until the missiles
# show in more than that many green pixels (a press is seen only by a frame
# that runs while it is held; a held key repeats, firing again).
fire() {
    xdotool keydown space
    e2e_picture "$1" "$2" "green missiles on the screen" green_over "$3"
    xdotool keyup space
}

# 2. Fire missiles.
fire missiles.png 10 60
echo "missiles: $E2E_M"

# 3. Once the missiles have ended (4 s of flight), R brings back the first picture.
e2e_picture ended.png 15 "the missiles ending" no_green
xdotool keydown r
e2e_picture reset.png 10 "R bringing back the first picture" e2e_like_first
xdotool keyup r
echo "reset:   $(e2e_differ first.png reset.png) pixels differ from the first picture"

# 4. The tour.
# whole: at least 90% of the window not black, with the red aircraft in it.
whole() { [ "$(e2e_field "$1" lit)" -ge $((pixels * 9 / 10)) ] && [ "$(e2e_field "$1" red)" -gt 50 ]; }
# tour_check <name> [<condition> <arguments>...]: polls for a picture of the
# window that is whole (and meets the condition); prints its measure and
# leaves it in E2E_M.
tour_check() {
    local name=$1
    shift
    e2e_picture "$name.png" 10 "$name: at least 90% of the window lit, with the aircraft" tour_condition "$@"
    printf '%-9s %s (%d%% not black)\n' "$name:" "$E2E_M" $(($(e2e_field "$E2E_M" lit) * 100 / pixels))
}
tour_condition() {
    whole "$1" || return 1
    [ $# -le 2 ] || "$3" "$1" "$2" "${@:4}"
}
# The leg out: 8 s with Control, every picture taken on the way whole.
e2e_hold 8 ctrl tour-out2.png "tour-out: at least 90% of the window lit, with the aircraft" whole
echo "tour-out: $E2E_M (the last picture on the way)"
# 180 degrees at 62.5 degrees a second, where it stands.
e2e_hold 2.88 "Left"
tour_check tour-about
e2e_hold 8 "ctrl"
tour_check tour-back
# From the start again (R, held until the first picture is back), so that
# the drags below turn the world about its origin right under the aircraft
# whatever the legs above took: nose up where it stands, then a full
# climbing circle. The ceiling is reached within half of it, and the circle
# ends near where it began.
xdotool keydown r
e2e_picture tour-start.png 10 "R bringing back the start" e2e_like_first
xdotool keyup r
e2e_hold 1.2 "Up"
e2e_hold 5.76 "Up Left ctrl"
# Level out where it stands (the height stays at the ceiling).
e2e_hold 1.1 "Down"
tour_check tour-ceiling
mc=$E2E_M
# Missiles fired at the ceiling are green too.
xdotool keydown space
tour_check tour-missiles green_over 40
xdotool keyup space
e2e_picture tour-ended.png 15 "the missiles at the ceiling ending" no_green
# 40 pixels sideways: an 8 degree turn about the world's vertical axis. The
# aircraft stays within 40 pixels of where it was.
near_ceiling_picture() {
    awk -v x0="$(e2e_field "$mc" red 2)" -v y0="$(e2e_field "$mc" red 3)" \
        -v x1="$(e2e_field "$1" red 2)" -v y1="$(e2e_field "$1" red 3)" \
        'BEGIN { d = sqrt((x1 - x0) ^ 2 + (y1 - y0) ^ 2); exit !(d <= 40) }'
}
turned_under() { near_ceiling_picture "$1" && [ "$(e2e_differ tour-ended.png "$2")" -gt $((pixels / 20)) ]; }
e2e_drag 1 200 400 240 400
tour_check tour-turned turned_under
# Both buttons, 50 pixels up: the world shrunk to 0.9 about its origin.
e2e_drag "1 3" 250 300 250 250
smaller() { [ "$(e2e_field "$1" red)" -lt "$(e2e_field "$md" red)" ]; }
md=$E2E_M
tour_check tour-scaled smaller
# The world shrunk with both buttons in one jump of 490 pixels up, which one
# event takes down to 0.05, the smallest scale it gives; then a tap of Shift
# so the camera and the terrain follow the aircraft. The terrain still fills
# the window, and again with the world shrunk three times more, to 0.05^4.
# The aircraft, shrunk with the world, is too small to see.
shrink() { e2e_drag "1 3" 250 495 250 5 1; }
lit_whole() { [ "$(e2e_field "$1" lit)" -ge $((pixels * 9 / 10)) ]; }
shrunk_whole() { lit_whole "$1" && [ "$(e2e_field "$1" red)" -lt $(($(e2e_field "$md" red) / 10)) ]; }
# Shrunk further: the spot light's pool, shrunk with the world, has gone
# from the picture (its pixels differ at all).
shrunk_on() { lit_whole "$1" && [ "$(e2e_differ "$3" "$2" 0)" -gt $((pixels / 100)) ]; }
report_lit() { printf '%-12s %s (%d%% not black)\n' "$1:" "$E2E_M" $(($(e2e_field "$E2E_M" lit) * 100 / pixels)); }
md=$E2E_M
shrink
e2e_hold 0.2 "shift"
e2e_settled tour-shrunk.png 10 "tour-shrunk: the world shrunk to 0.05 with at least 90% of the window lit" shrunk_whole
report_lit tour-shrunk
for i in 1 2 3; do shrink; done
e2e_hold 0.2 "shift"
e2e_settled tour-shrunk4.png 10 "tour-shrunk4: the world shrunk to 0.05^4 with at least 90% of the window lit" \
    shrunk_on tour-shrunk.png
report_lit tour-shrunk4

if [ -n "$shots" ]; then
    mkdir -p "$shots" && cp turn2.png "$shots/flying-turn.png" && cp missiles.png "$shots/flying-missiles.png" &&
        for f in tour-out2 tour-ceiling tour-scaled tour-shrunk tour-shrunk4; do cp $f.png "$shots/$f.png"; done
fi

# 5. Close.
e2e_finish
echo "PASS"
