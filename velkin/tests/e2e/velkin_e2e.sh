#!/usr/bin/env bash
# velkin end to end, as a user would, under Xvfb (run inside xvfb_session.sh):
# the window appears; the first picture shows the red aircraft in the middle
# over the blue terrain with visible lighting; a middle-button drag changes
# nothing, a right-button drag moves the world, a left-button drag turns it,
# a drag with both scales it, and Q brings back the first picture after each;
# at least one pair of statistics lines appears; WM_DELETE_WINDOW closes the
# window and velkin exits with status 0.
#
# Usage: velkin_e2e.sh <velkin> <helper dir> <work dir> [<screenshot dir>]
# (the helper dir holds close_window and frame_measure). Screenshots stay in
# the work dir; with a screenshot dir, the first picture and the turned one
# are also copied there (velkin.png, velkin-turned.png).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2e_lib.sh"

# Starts velkin and checks the first picture (see e2e_session).
e2e_session "$@"
m=$E2E_FIRST
red=$(e2e_field "$m" red)
cx=$(e2e_field "$m" red 2)
pixels=$E2E_PIXELS
noise=$E2E_NOISE

# Conditions on a picture (measure line, file): see e2e_picture.
like_moved() { [ "$(e2e_differ moved.png "$2")" -lt "$noise" ]; }
moved_right() { awk -v a="$cx" -v b="$(e2e_field "$1" red 2)" 'BEGIN { exit !(b > a + 5) }'; }
turned() { [ "$(e2e_differ first.png "$2")" -gt $((pixels / 20)) ] && [ "$(e2e_field "$1" red)" -gt 20 ]; }
bigger() { awk -v a="$red" -v b="$(e2e_field "$1" red)" 'BEGIN { exit !(b > a * 1.2) }'; }

# Q restores the first picture (allowing a few pixels of rasterisation noise).
restored() {
    e2e_key q
    e2e_picture "$1" 10 "Q restoring the first picture" e2e_like_first
    echo "$1: $(e2e_differ first.png "$1") pixels differ from the first picture"
}

# Right button: moves the world (and the aircraft with it) to the right.
# The settled picture is kept to check the middle button against.
e2e_drag 3 100 250 400 250
e2e_settled moved.png 10 "a right-button drag to the right moving the aircraft right" moved_right
echo "moved:   $E2E_M"
restored restored-move.png

# Middle button: not one of the buttons velkin reads. The same right drag
# after it must give the same picture as the right drag alone; the window
# takes the events in order, so that picture also shows the middle drag done.
e2e_drag 2 150 250 350 250
e2e_drag 3 100 250 400 250
e2e_picture middle.png 10 "a middle-button drag changing nothing (the right drag after it as alone)" like_moved
echo "middle:  $(e2e_differ moved.png middle.png) pixels differ from the right drag alone"
restored restored-middle.png

# Left button: turns the world about its origin; the aircraft stays in the
# middle, the terrain and its lighting turn around it.
e2e_drag 1 150 250 350 250
e2e_picture turned.png 10 "a left-button drag turning the world" turned
echo "turned:  $E2E_M; $(e2e_differ first.png turned.png) pixels differ"
restored restored-turn.png

# Both buttons, dragging down: scales the world up about its origin.
e2e_drag "1 3" 250 150 250 250
e2e_picture scaled.png 10 "a drag down with both buttons making the aircraft bigger" bigger
echo "scaled:  $E2E_M"
restored restored-scale.png

if [ -n "$E2E_SHOTS" ]; then
    mkdir -p "$E2E_SHOTS" && cp first.png "$E2E_SHOTS/velkin.png" && cp turned.png "$E2E_SHOTS/velkin-turned.png"
fi

# Statistics every 1000 frames: wait for one pair. Where drawing is so slow
# that 1000 frames take many minutes (32-bit Windows under emulation),
# VELKIN_E2E_STATISTICS=0 leaves this out: the window is closed now.
if [ "${VELKIN_E2E_STATISTICS:-1}" != 0 ]; then
    e2e_wait_output stdout.txt 'Time and frame rate:' 120
fi
e2e_finish
if [ "${VELKIN_E2E_STATISTICS:-1}" != 0 ]; then
    # Windows programs end their text lines with CR LF.
    grep -qP '^Total time and frames:\t[0-9]+\.[0-9]{6}\t1000\r?$' stdout.txt || e2e_fail "no 'Total time and frames' line"
    grep -qP '^Time and frame rate:\t[0-9]+\.[0-9]{6}\t[0-9]+\.[0-9]{6}\r?$' stdout.txt || e2e_fail "no 'Time and frame rate' line"
    sed -n '1,4p' stdout.txt
else
    echo "statistics not waited for (VELKIN_E2E_STATISTICS=0)"
fi
echo "PASS"
