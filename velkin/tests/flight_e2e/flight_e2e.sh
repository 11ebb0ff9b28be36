#!/usr/bin/env bash
# velkin flown as a user would, under Xvfb (run inside xvfb_session.sh):
#   1. holding Shift and Left, successive pictures keep the aircraft in the
#      middle (the view follows it) while the terrain beneath changes;
#   2. pressing Space puts green missiles on the screen;
#   3. once they have ended, R brings back the very first picture;
#   4. WM_DELETE_WINDOW closes the window and velkin exits with status 0.
#
# Usage: flight_e2e.sh <velkin> <close_window helper> <work dir> [<screenshot dir>]
# With a screenshot dir, the pictures of the turn and of the missiles are
# copied there (flying-turn.png, flying-missiles.png).
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

if [ -n "$shots" ]; then
    mkdir -p "$shots" && cp turn2.png "$shots/flying-turn.png" && cp missiles.png "$shots/flying-missiles.png"
fi

# 4. Close.
e2e_close
e2e_wait_exit 20
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "velkin exited with status $E2E_STATUS"
echo "PASS"
