#!/usr/bin/env bash
# Frame rate of velkin beside the empty SDL2/OpenGL loop (clear and swap), in
# the same run, under Xvfb with the same 500 x 500 window. Runs empty loop,
# velkin, empty loop, velkin, each for a few seconds, and prints the mean of
# each program's reports (the first report of each run, which includes start
# up, is left out) and their ratio.
#
# Usage: bench/frame_rate.sh [build dir] [seconds per run]
#   default build dir build/default, default 12 seconds a run.
# Needs: xvfb-run (it starts its own server unless DISPLAY is already set).
set -euo pipefail
build=$(cd "${1:-build/default}" && pwd)
seconds=${2:-12}
velkin=$build/velkin/velkin
empty=$build/bench/frame_empty_loop
for p in "$velkin" "$empty"; do
    [ -x "$p" ] || { echo "missing $p: build the velkin and frame_empty_loop targets" >&2; exit 1; }
done

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s '-screen 0 800x600x24' bash "$0" "$build" "$seconds"
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Mean of the frame rates a run printed, leaving out its first report.
mean_rate() {
    awk -F'\t' '/^Time and frame rate:/ { n++; if (n > 1) { s += $3; k++ } }
                END { if (k) printf "%.1f %d\n", s / k, k; else print "0 0" }' "$1"
}

run_velkin() {
    "$velkin" >"$1" &
    local pid=$!
    sleep "$seconds"
    kill -TERM "$pid"  # a background job ignores SIGINT
    wait "$pid"
}

"$empty" "$seconds" >"$out/empty1.txt" 2>"$out/renderer.txt"
run_velkin "$out/velkin1.txt"
"$empty" "$seconds" >"$out/empty2.txt"
run_velkin "$out/velkin2.txt"

cat "$out/empty1.txt" "$out/empty2.txt" >"$out/empty.txt"
cat "$out/velkin1.txt" "$out/velkin2.txt" >"$out/velkin.txt"
read -r empty_rate empty_n < <(mean_rate "$out/empty.txt")
read -r velkin_rate velkin_n < <(mean_rate "$out/velkin.txt")
cat "$out/renderer.txt"
printf 'empty SDL2/OpenGL loop: %8.1f frames/s (mean of %d reports of 1000 frames)\n' "$empty_rate" "$empty_n"
printf 'velkin:                 %8.1f frames/s (mean of %d reports of 1000 frames)\n' "$velkin_rate" "$velkin_n"
awk -v v="$velkin_rate" -v e="$empty_rate" 'BEGIN {
    if (e > 0) printf "velkin / empty loop:    %8.3f  (goal: at least 0.25, and velkin above 200 frames/s)\n", v / e }'
