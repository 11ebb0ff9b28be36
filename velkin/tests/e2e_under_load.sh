#!/usr/bin/env bash
# velkin's end-to-end tests on a busy machine: starts two busy loops, which
# keep both cores of a two-core machine busy, runs the scene and the flight
# end-to-end tests that many times in a row, and stops its loops however it
# ends. Stops at the first failing run and says which.
#
# Usage: velkin/tests/e2e_under_load.sh [build dir] [runs]
#   default build dir build/default, default 10 runs.
# The build dir must hold the velkin, close_window and frame_measure targets.
set -uo pipefail
build=${1:-build/default}
runs=${2:-10}
[ -d "$build" ] || { echo "no build dir $build" >&2; exit 2; }
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "runs must be a positive whole number, not '$runs'" >&2; exit 2; }

loads=()
stop_load() {
    local pid
    for pid in "${loads[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${loads[@]}"; do wait "$pid" 2>/dev/null; done
    loads=()
}
trap stop_load EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
for _ in 1 2; do
    bash -c 'while :; do :; done' &
    loads+=("$!")
done
echo "load: busy loops ${loads[*]}"

for run in $(seq "$runs"); do
    start=$(date +%s)
    if ! ctest --test-dir "$build" -R '^(velkin_e2e|velkin_flight_e2e)$' --output-on-failure >"$build/e2e-under-load-$run.log" 2>&1; then
        cat "$build/e2e-under-load-$run.log"
        echo "run $run of $runs FAILED under load (log $build/e2e-under-load-$run.log)"
        exit 1
    fi
    grep -q '100% tests passed, 0 tests failed out of 2' "$build/e2e-under-load-$run.log" ||
        { cat "$build/e2e-under-load-$run.log"; echo "run $run: not both tests ran"; exit 1; }
    echo "run $run of $runs passed in $(($(date +%s) - start)) s; $(cut -d' ' -f1-3 /proc/loadavg) load average"
done
echo "all $runs runs passed under load"
