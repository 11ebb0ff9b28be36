#!/usr/bin/env bash
# Frame rate of velkin beside the empty SDL2/OpenGL loop (clear and swap), in
# the same run, under Xvfb with the same 500 x 500 window; and, as the floor
# for a frame that draws every pixel (velkin's terrain fills the window), the
# same loop drawing one flat full-window quad. Runs empty, fill, velkin, then
# again, each for a few seconds, and prints the mean of each program's reports
# (the first report of each run, which includes start up, is left out)
# and the ratios.
#
# Usage: bench/frame_rate.sh [build dir] [seconds per run]
#   default build dir build/default, default 15 seconds a run.
# Needs: Xvfb (it starts its own server unless DISPLAY is already set).
set -euo pipefail
build=$(cd "${1:-build/default}" && pwd)
seconds=${2:-15}
velkin=$build/velkin/velkin
empty=$build/bench/frame_empty_loop
for p in "$velkin" "$empty"; do
    [ -x "$p" ] || { echo "missing $p: build the velkin and frame_empty_loop targets" >&2; exit 1; }
done

if [ -z "${DISPLAY:-}" ]; then
    here=$(cd "$(dirname "$0")" && pwd)
    exec bash "$here/../velkin/tests/e2e/xvfb_session.sh" '-screen 0 800x600x24' bash "$0" "$build" "$seconds"
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Mean of the frame rates the runs printed, leaving out each run's first
# report (it includes start up). Prints the mean and the number of reports.
mean_rate() {
    awk -F'\t' 'FNR == 1 { n = 0 }
                /^Time and frame rate:/ { n++; if (n > 1) { s += $3; k++ } }
                END { if (k) printf "%.1f %d\n", s / k, k; else print "0 0" }' "$@"
}

run_velkin() {
    "$velkin" >"$1" &
    local pid=$!
    sleep "$seconds"
    kill -TERM "$pid"  # a background job ignores SIGINT
    wait "$pid"
}

for round in 1 2; do
    "$empty" "$seconds" >"$out/empty$round.txt" 2>"$out/renderer.txt"
    "$empty" "$seconds" --fill >"$out/fill$round.txt" 2>/dev/null
    run_velkin "$out/velkin$round.txt"
done

read -r empty_rate empty_n < <(mean_rate "$out"/empty?.txt)
read -r fill_rate fill_n < <(mean_rate "$out"/fill?.txt)
read -r velkin_rate velkin_n < <(mean_rate "$out"/velkin?.txt)
cat "$out/renderer.txt"
printf 'empty loop (clear, swap):      %8.1f frames/s (%d reports of 1000 frames)\n' "$empty_rate" "$empty_n"
printf 'fill loop (one window quad):   %8.1f frames/s (%d reports)\n' "$fill_rate" "$fill_n"
printf 'velkin:                        %8.1f frames/s (%d reports)\n' "$velkin_rate" "$velkin_n"
awk -v v="$velkin_rate" -v e="$empty_rate" -v f="$fill_rate" 'BEGIN {
    if (e > 0) printf "velkin / empty loop:           %8.3f  (goal: at least 0.25, and velkin above 200 frames/s)\n", v / e
    if (f > 0) printf "velkin / fill loop:            %8.3f\n", v / f }'
