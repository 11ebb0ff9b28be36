#!/usr/bin/env bash
# velkin.exe under Wine, run inside xvfb_session.sh: the Linux end-to-end
# script (velkin_e2e.sh) drives it through a small launcher. Then, in a
# second run, the window is resized as a user drags its frame, to 16:9 and
# to nearly 1:2: the picture must take the new size and stay lit edge to edge (the
# Windows window is the one a user can resize). Then Ctrl-C:
# Wine hands SIGINT to the program as the console's CTRL_C_EVENT, which must
# close the window as cleanly as closing it does. Wine's default handling
# also ends the program with status 0, so Wine is asked to report it
# (fixme+console: "default_ctrl_handler Terminating process"), and that
# report must not appear.
#
# The test has a Wine prefix of its own, whose server and system processes
# are started on this test's display and stopped at the end: the prefix the
# other tests share has none, and a Wine server stays with the display it
# started on.
#
# Usage: wine_e2e.sh <wine-run.sh> <prefix> <velkin.exe> <helper dir> <work dir> [<screenshot dir>]
# (the helper dir holds close_window and frame_measure, built for this machine)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 5 ] || { echo "usage: $0 <wine-run.sh> <prefix> <velkin.exe> <helper dir> <work dir> [<screenshot dir>]" >&2; exit 2; }
wine_run=$1 prefix=$2 velkin=$3 helpers=$4 work=$5 shots=${6:-}
mkdir -p "$work" || exit 1

stop_wine() { WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true; }
stop_wine
trap stop_wine EXIT

# Make the prefix (first time: several seconds) and start its processes on
# this display before the program's window is waited for.
"$wine_run" --prefix "$prefix" cmd /c exit >/dev/null 2>&1 </dev/null

launcher="$work/velkin-wine.sh"
printf '#!/bin/sh\nexec "%s" --prefix "%s" "%s" "$@"\n' "$wine_run" "$prefix" "$velkin" >"$launcher"
chmod +x "$launcher"
bash "$here/../e2e/velkin_e2e.sh" "$launcher" "$helpers" "$work" $shots || exit 1

. "$here/../e2e/e2e_lib.sh"
E2E_HELPERS=$helpers
cd "$work" || exit 1
export WINEDEBUG=-all,fixme+console
e2e_start "$launcher" ctrl-c.txt
e2e_find_window velkin
# Ctrl-C once the frame loop draws: the window, and with it the console's
# handler, is set up by then.
e2e_first_picture ctrl-c.png

# The resized window: the whole frame lit (no black where the terrain ends).
resized() {
    [ "$(e2e_field "$1" width)" -eq "$3" ] && [ "$(e2e_field "$1" height)" -eq "$4" ] &&
        [ "$(e2e_field "$1" lit)" -eq $(($3 * $4)) ]
}
# Within the test's 800 x 600 screen, which Wine keeps windows inside.
for size in "711 400" "300 560"; do
    xdotool windowsize "$E2E_WID" $size
    e2e_picture "resized-${size/ /x}.png" 20 "the window resized to ${size/ / x } and lit edge to edge" resized $size
    echo "resized: $E2E_M"
done
kill -INT "$E2E_PID"
e2e_wait_exit 20
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "Ctrl-C ended velkin with status $E2E_STATUS, not a clean close"
if grep -q default_ctrl_handler ctrl-c.txt.err; then e2e_fail "Ctrl-C was left to the default handler, which ends the program"; fi
echo "Ctrl-C: velkin closed with status 0"
echo "PASS"
