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
#      stays within 40 pixels of where it was;
#   5. WM_DELETE_WINDOW closes the window and velkin exits with status 0.
#
# Usage: flight_e2e.sh <velkin> <close_window helper> <work dir> [<screenshot dir>]
# With a screenshot dir, the pictures of the turn, of the missiles and of the
# tour are copied there (flying-turn.png, flying-missiles.png, tour-*.png).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../e2e/e2e_lib.sh"

[ $# -ge 3 ] || { echo "usage: $0 <velkin> <close_window> <work dir> [<screenshot dir>]" >&2; exit 2; }
velkin=$1
E2E_CLOSE_WINDOW=$2
work=$3
shots=${4:-}
[ -n "${DISPLAY:-}" ] || e2e_fail "no DISPLAY: run under xvfb_session.sh"
mkdir -p "$work" && cd "$work" || exit 1
rm -f ./*.png stdout.txt
pixels=250000

# in_middle <measure line>: the red aircraft's centre lies within 60 pixels of the centre.
in_middle() {
    awk -v x="$(e2e_field "$1" red 2)" -v y="$(e2e_field "$1" red 3)" \
        'BEGIN { exit !(x > 190 && x < 310 && y > 190 && y < 310) }'
}

e2e_start "$velkin" stdout.txt
e2e_find_window velkin
echo "window $E2E_WID"
# The first picture: wait until the scene is drawn.
m=$(e2e_first_picture first.png)
echo "first:    $m"
[ "$(e2e_field "$m" red)" -gt 50 ] || e2e_fail "no aircraft in the first picture"
[ "$(e2e_field "$m" green)" -eq 0 ] || e2e_fail "green in the first picture before any missile"
in_middle "$m" || e2e_fail "the aircraft is not in the middle of the first picture"

# 1. Fly a left turn with the camera following.
xdotool windowfocus "$E2E_WID" 2>/dev/null || true
xdotool keydown shift
xdotool keydown Left
sleep 0.7
e2e_shot turn1.png
sleep 0.7
e2e_shot turn2.png
xdotool keyup Left
xdotool keyup shift
for f in turn1 turn2; do
    mt=$(e2e_measure $f.png)
    echo "$f:    $mt"
    [ "$(e2e_field "$mt" red)" -gt 50 ] || e2e_fail "$f: the aircraft left the picture"
    in_middle "$mt" || e2e_fail "$f: the view did not follow the aircraft"
    [ "$(e2e_field "$mt" blue)" -gt 50000 ] || e2e_fail "$f: the terrain is no longer beneath the aircraft"
done
d1=$(e2e_differ first.png turn1.png) d2=$(e2e_differ turn1.png turn2.png)
echo "terrain: $d1 pixels changed in the first 0.7 s, $d2 in the next"
[ "$d1" -gt $((pixels / 10)) ] && [ "$d2" -gt $((pixels / 10)) ] ||
    e2e_fail "the terrain did not move beneath the aircraft"

# 2. Fire three missiles (each press held long enough for a frame to see it).
for i in 1 2 3; do
    xdotool keydown space
    sleep 0.1
    xdotool keyup space
    sleep 0.1
done
e2e_shot missiles.png
mm=$(e2e_measure missiles.png)
echo "missiles: $mm"
[ "$(e2e_field "$mm" green)" -gt 60 ] || e2e_fail "no green missiles on the screen"

# 3. Once the missiles have ended, R brings back the first picture.
sleep 4.5
e2e_shot ended.png
[ "$(e2e_field "$(e2e_measure ended.png)" green)" -eq 0 ] || e2e_fail "the missiles did not end"
xdotool keydown r
sleep 0.2
xdotool keyup r
sleep 0.3
e2e_shot reset.png
d=$(e2e_differ first.png reset.png)
echo "reset:   $d pixels differ from the first picture"
[ "$d" -lt $((pixels / 200)) ] || e2e_fail "R did not bring back the first picture ($d pixels differ)"

# 4. The tour.
# tour_check <name>: a picture of the window (taken now unless <name>.png
# was taken already), at least 90% not black, with the red aircraft in it;
# prints its measure.
tour_check() {
    [ -f "$1.png" ] || e2e_shot "$1.png"
    local mt lit
    mt=$(e2e_measure "$1.png")
    lit=$(e2e_field "$mt" lit)
    printf '%-9s %s (%d%% not black)\n' "$1:" "$mt" $((lit * 100 / pixels)) >&2
    [ "$lit" -ge $((pixels * 9 / 10)) ] || e2e_fail "$1: only $lit of $pixels pixels are not black"
    [ "$(e2e_field "$mt" red)" -gt 50 ] || e2e_fail "$1: the aircraft does not show red"
    echo "$mt"
}
# hold <seconds> <keys...>: holds the keys down together for that long.
hold() {
    local seconds=$1 k
    shift
    for k in "$@"; do xdotool keydown "$k"; done
    sleep "$seconds"
    for k in "$@"; do xdotool keyup "$k"; done
}
# Pictures taken on the way are measured afterwards, so the leg lasts 8 s.
xdotool keydown ctrl
sleep 4
e2e_shot tour-out1.png
sleep 3.8
e2e_shot tour-out2.png
xdotool keyup ctrl
for f in tour-out1 tour-out2; do tour_check $f >/dev/null; done
# 180 degrees at 62.5 degrees a second, where it stands.
hold 2.88 Left
sleep 0.2
tour_check tour-about >/dev/null
hold 8 ctrl
sleep 0.2
tour_check tour-back >/dev/null
# From the start again (R), so that the drags below turn the world about its
# origin right under the aircraft whatever the legs above took: nose up
# where it stands, then a full climbing circle. The ceiling is reached
# within half of it, and the circle ends near where it began.
hold 0.3 r
hold 1.2 Up
hold 5.76 Up Left ctrl
# Level out where it stands (the height stays at the ceiling).
hold 1.1 Down
sleep 0.3
mc=$(tour_check tour-ceiling)
# Missiles fired at the ceiling are green too.
for i in 1 2 3; do
    xdotool keydown space
    sleep 0.1
    xdotool keyup space
    sleep 0.1
done
mm=$(tour_check tour-missiles)
[ "$(e2e_field "$mm" green)" -gt 40 ] || e2e_fail "no green missiles at the ceiling"
sleep 4.5  # until they have ended
# 40 pixels sideways: an 8 degree turn about the world's vertical axis.
e2e_drag 1 200 400 240 400
md=$(tour_check tour-turned)
awk -v x0="$(e2e_field "$mc" red 2)" -v y0="$(e2e_field "$mc" red 3)" \
    -v x1="$(e2e_field "$md" red 2)" -v y1="$(e2e_field "$md" red 3)" \
    'BEGIN { d = sqrt((x1 - x0) ^ 2 + (y1 - y0) ^ 2); print "the left drag moved the aircraft by " d " pixels"; exit !(d <= 40) }' ||
    e2e_fail "the left drag swung the aircraft away: the world did not turn about its own origin"
e2e_drag "1 3" 250 300 250 250
tour_check tour-scaled >/dev/null

if [ -n "$shots" ]; then
    mkdir -p "$shots" && cp turn2.png "$shots/flying-turn.png" && cp missiles.png "$shots/flying-missiles.png" &&
        for f in tour-out2 tour-ceiling tour-scaled; do cp $f.png "$shots/$f.png"; done
fi

# 5. Close.
e2e_close
e2e_wait_exit 20
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "velkin exited with status $E2E_STATUS"
echo "PASS"
