# Helpers for velkin's end-to-end tests, sourced by the test scripts. They run
# inside xvfb_session.sh (no window manager): start the program, find its window,
# drive it with xdotool, take screenshots with ImageMagick, measure colours,
# and close the window with a WM_DELETE_WINDOW client message.
#
# No helper sleeps a fixed time and then looks: every wait polls the screen
# (or the program's output) for its condition until a deadline. Deadlines are
# given in seconds for a native build on an idle or busy machine; a platform
# that runs the program much more slowly (a build under emulation) sets
# VELKIN_E2E_TIME_FACTOR, by which every deadline is multiplied (default 1).
#
# Needs: xdotool, ImageMagick (import, convert, compare), awk, bash 5
# (EPOCHREALTIME), and the helpers close_window and frame_measure (their
# folder in E2E_HELPERS, set by e2e_session).

E2E_TIME_FACTOR=${VELKIN_E2E_TIME_FACTOR:-1}
if ! [[ $E2E_TIME_FACTOR =~ ^[0-9]*\.?[0-9]+$ ]] || ! awk -v f="$E2E_TIME_FACTOR" 'BEGIN { exit !(f > 0) }'; then
    echo "FAIL: VELKIN_E2E_TIME_FACTOR must be a positive number, not '$E2E_TIME_FACTOR'" >&2
    exit 2
fi

e2e_fail() {
    echo "FAIL: $*" >&2
    if [ -s "${E2E_ERR:-}" ]; then
        echo "the program's standard error:" >&2
        tail -n 20 "$E2E_ERR" >&2
    fi
    # Where the program says why it stopped ("Exception: ...").
    if [ -s "${E2E_OUT:-}" ]; then
        echo "the end of the program's standard output:" >&2
        tail -n 5 "$E2E_OUT" >&2
    fi
    if [ -n "${E2E_PID:-}" ] && kill -0 "$E2E_PID" 2>/dev/null; then kill -TERM "$E2E_PID" 2>/dev/null; fi
    exit 1
}

# e2e_start <program> <stdout file>: starts the program; sets E2E_PID.
e2e_start() {
    E2E_OUT=$2
    E2E_ERR=$2.err
    "$1" >"$2" 2>"$E2E_ERR" &
    E2E_PID=$!
}

# e2e_scaled <seconds>: the deadline for <seconds> on this platform.
e2e_scaled() {
    awk -v s="$1" -v f="$E2E_TIME_FACTOR" 'BEGIN { printf "%g\n", s * f }'
}

# Microseconds on the wall clock (EPOCHREALTIME's decimal mark follows the locale).
e2e_now_us() {
    local t=${EPOCHREALTIME/[.,]/}
    echo "$((10#$t))"
}

# e2e_deadline <seconds>: prints the wall-clock time, in microseconds, at
# which a wait of <seconds> (times the platform's factor) starting now ends.
e2e_deadline() {
    echo $(($(e2e_now_us) + $(awk -v s="$1" -v f="$E2E_TIME_FACTOR" 'BEGIN { printf "%d\n", s * f * 1e6 }')))
}

# e2e_running: the program started by e2e_start is still running.
e2e_running() {
    [ -z "${E2E_PID:-}" ] || kill -0 "$E2E_PID" 2>/dev/null
}

# e2e_until <seconds> <what> <command...>: runs the command every 50 ms until
# it succeeds; fails naming <what> if the deadline passes first or the
# program ends on the way.
e2e_until() {
    local seconds=$1 what=$2 deadline
    shift 2
    deadline=$(e2e_deadline "$seconds")
    until "$@"; do
        e2e_running || e2e_fail "the program ended while waiting for $what"
        [ "$(e2e_now_us)" -lt "$deadline" ] || e2e_fail "no $what within $(e2e_scaled "$seconds") s"
        sleep 0.05
    done
}

# e2e_picture <file> <seconds> <what> <condition> [<arguments>...]: takes
# pictures of the window into <file> until `<condition> <measure line>
# <file> <arguments>...` succeeds, and leaves that picture's measure line in
# E2E_M. Fails naming <what>, with the last picture's measure, if the
# deadline passes first. A condition that holds on the first picture
# returns at once; one that needs the program to catch up with the input
# is given the time it needs, and no more.
#
# On a machine so busy that taking and measuring a picture itself takes
# seconds, a deadline could pass after one or two looks; so the wait fails
# only once the deadline has passed and at least E2E_MIN_LOOKS (4) pictures
# have been taken: what is judged is the program, not the test's own pace.
E2E_MIN_LOOKS=4
e2e_picture() {
    local file=$1 seconds=$2 what=$3 condition=$4 deadline looks=0
    shift 4
    deadline=$(e2e_deadline "$seconds")
    while :; do
        e2e_shot "$file"
        E2E_M=$(e2e_measure "$file")
        looks=$((looks + 1))
        "$condition" "$E2E_M" "$file" "$@" && return 0
        e2e_running || e2e_fail "the program ended while waiting for $what"
        [ "$(e2e_now_us)" -lt "$deadline" ] || [ "$looks" -lt "$E2E_MIN_LOOKS" ] ||
            e2e_fail "$what: not seen within $(e2e_scaled "$seconds") s and $looks pictures (last picture $file: $E2E_M)"
    done
}

# e2e_settled <file> <seconds> <what> <condition> [<arguments>...]: as
# e2e_picture, and the picture that meets the condition must also be the
# same as the one taken just before it: the program has caught up with all
# the input sent so far (the scene is still between inputs).
e2e_settled() {
    local file=$1 seconds=$2 what=$3 condition=$4
    shift 4
    rm -f "$file.previous.png"
    e2e_picture "$file" "$seconds" "$what" e2e_settled_condition "$condition" "$@"
    rm -f "$file.previous.png"
}
e2e_settled_condition() {
    local m=$1 file=$2 condition=$3 same=1
    shift 3
    if [ ! -f "$file.previous.png" ] || [ "$(e2e_differ "$file.previous.png" "$file")" -ne 0 ]; then same=0; fi
    cp "$file" "$file.previous.png"
    [ "$same" -eq 1 ] && "$condition" "$m" "$file" "$@"
}

# e2e_find_window <title>: polls every 50 ms (up to 30 s) for a visible
# window of that exact title; sets E2E_WID.
e2e_find_window() {
    E2E_WID=
    e2e_until 30 "visible window titled '$1'" e2e_window_found "$1"
}
e2e_window_found() {
    E2E_WID=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$E2E_WID" ]
}

# e2e_shot <file>: screenshot of the window.
e2e_shot() {
    import -window "$E2E_WID" "$1" || e2e_fail "screenshot $1 failed"
}

# e2e_measure <file>: prints the frame_measure helper's line for the picture:
#   red <count> <centre x> <centre y>  terrain <count> <hue> <value> <spread>
#   green <count>  width <w> height <h>  lit <count>
# Colours are judged by hue and by contrast with the frame's own terrain,
# never by a fixed channel level (see frame_measure.cpp).
e2e_measure() {
    convert "$1" -depth 8 ppm:- | "$E2E_HELPERS/frame_measure" || e2e_fail "could not measure $1"
}

# e2e_first_picture <file>: waits (up to 20 s) until the scene is drawn, with
# the red aircraft over the terrain; leaves the picture's measure line in E2E_M.
e2e_first_picture() {
    e2e_picture "$1" 20 "the first picture (red aircraft over the terrain)" e2e_scene_drawn
}
e2e_scene_drawn() {
    [ "$(e2e_field "$1" red)" -gt 50 ] &&
        [ "$(e2e_field "$1" terrain)" -gt $(($(e2e_field "$1" width) * $(e2e_field "$1" height) / 5)) ]
}

# e2e_blue <measure line>: the terrain's hue is blue (within 45 degrees of 240).
e2e_blue() {
    awk -v h="$(e2e_field "$1" terrain 2)" 'BEGIN { exit !(h >= 195 && h <= 285) }'
}

# e2e_in_middle <measure line>: the red aircraft's centre lies within 60
# pixels of the centre of the 500 x 500 window.
e2e_in_middle() {
    awk -v x="$(e2e_field "$1" red 2)" -v y="$(e2e_field "$1" red 3)" \
        'BEGIN { exit !(x > 190 && x < 310 && y > 190 && y < 310) }'
}

# e2e_like_first <measure line> <file>: the picture is the first one, but
# for a few pixels of rasterisation noise.
e2e_like_first() { [ "$(e2e_differ "$E2E_WORK/first.png" "$2")" -lt "$E2E_NOISE" ]; }

# e2e_session <velkin> <helper dir> <work dir> [<screenshot dir>]: the set-up
# both end-to-end scripts share, given the script's own arguments. Checks
# them, works in the work dir, starts velkin, finds its window and waits for
# the first picture (first.png), which must be the 500 x 500 window with
# the red aircraft in the middle over the blue, visibly lit terrain. Sets
# E2E_WORK, E2E_SHOTS (empty without a screenshot dir), E2E_FIRST (the first
# picture's measure line), E2E_PIXELS and E2E_NOISE (pixels of
# rasterisation noise between equal scenes). The helper dir holds
# close_window and frame_measure.
e2e_session() {
    [ $# -ge 3 ] || { echo "usage: $0 <velkin> <helper dir> <work dir> [<screenshot dir>]" >&2; exit 2; }
    local velkin
    velkin=$(e2e_absolute "$1")
    E2E_HELPERS=$(e2e_absolute "$2")
    E2E_WORK=$(e2e_absolute "$3")
    E2E_SHOTS=${4:+$(e2e_absolute "$4")}
    [ -x "$E2E_HELPERS/close_window" ] && [ -x "$E2E_HELPERS/frame_measure" ] ||
        e2e_fail "no close_window and frame_measure helpers in $E2E_HELPERS"
    [ -n "${DISPLAY:-}" ] || e2e_fail "no DISPLAY: run under xvfb_session.sh"
    mkdir -p "$E2E_WORK" && cd "$E2E_WORK" || e2e_fail "cannot work in $E2E_WORK"
    rm -f ./*.png stdout.txt stdout.txt.err

    e2e_start "$velkin" stdout.txt
    e2e_find_window velkin
    echo "window $E2E_WID"
    e2e_first_picture first.png
    E2E_FIRST=$E2E_M
    echo "first:    $E2E_FIRST"
    [ "$(e2e_field "$E2E_FIRST" width)" -eq 500 ] && [ "$(e2e_field "$E2E_FIRST" height)" -eq 500 ] ||
        e2e_fail "window is not 500 x 500"
    E2E_PIXELS=250000
    E2E_NOISE=$((E2E_PIXELS / 200))
    e2e_blue "$E2E_FIRST" || e2e_fail "the terrain in the first picture is not blue"
    [ "$(e2e_field "$E2E_FIRST" terrain)" -gt $((E2E_PIXELS / 5 * 4)) ] ||
        e2e_fail "the terrain covers less than 80% of the first picture"
    [ "$(e2e_field "$E2E_FIRST" terrain 4)" -ge 10 ] ||
        e2e_fail "the terrain shows no lighting variation (its brightness varies by less than 10%)"
    [ "$(e2e_field "$E2E_FIRST" green)" -eq 0 ] || e2e_fail "green in the first picture before any missile"
    e2e_in_middle "$E2E_FIRST" || e2e_fail "the aircraft is not in the middle of the first picture"
}

# e2e_finish: closes the window with WM_DELETE_WINDOW; velkin must exit
# with status 0 within 20 s.
e2e_finish() {
    e2e_close
    e2e_wait_exit 20
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "velkin exited with status $E2E_STATUS"
}

e2e_absolute() { case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }

# e2e_field <measure line> <name> [<index>]: value after a name in a measure line.
e2e_field() {
    echo "$1" | awk -v k="$2" -v i="${3:-1}" '{ for (f = 1; f <= NF; f++) if ($f == k) { print $(f + i); exit } }'
}

# e2e_differ <a> <b> [<fuzz>]: number of pixels that differ by more than
# <fuzz> percent (default 8).
e2e_differ() {
    compare -metric AE -fuzz "${3:-8}%" "$1" "$2" null: 2>&1 | awk '{ print int($1) }'
}

# e2e_drag <buttons> <x0> <y0> <x1> <y1> [<steps>]: presses the buttons (e.g.
# "1 3") at (x0, y0) in the window, moves to (x1, y1) in that many steps
# (default 20), releases them.
# The X server queues the events in order and the window takes them in that
# order, however slowly it draws, so nothing here waits: the caller polls the
# picture for the drag's effect.
e2e_drag() {
    local buttons=$1 x0=$2 y0=$3 x1=$4 y1=$5 steps=${6:-20} b i
    xdotool mousemove --window "$E2E_WID" "$x0" "$y0"
    for b in $buttons; do xdotool mousedown "$b"; done
    for i in $(seq 1 "$steps"); do
        xdotool mousemove --window "$E2E_WID" $((x0 + (x1 - x0) * i / steps)) $((y0 + (y1 - y0) * i / steps))
    done
    for b in $buttons; do xdotool mouseup "$b"; done
}

# e2e_key <keys...>: types keys into the window (xdotool key names); the
# caller polls the picture for their effect.
e2e_key() {
    xdotool windowfocus "$E2E_WID" 2>/dev/null || true
    xdotool key --delay 50 "$@"
}

# e2e_close: sends WM_DELETE_WINDOW to the window.
e2e_close() {
    "$E2E_HELPERS/close_window" "$E2E_WID" || e2e_fail "could not send WM_DELETE_WINDOW"
}

# e2e_wait_exit <seconds>: waits for the program to end; sets E2E_STATUS.
e2e_wait_exit() {
    local deadline
    deadline=$(e2e_deadline "$1")
    while kill -0 "$E2E_PID" 2>/dev/null; do
        [ "$(e2e_now_us)" -lt "$deadline" ] || e2e_fail "the program did not end within $(e2e_scaled "$1") s"
        sleep 0.05
    done
    wait "$E2E_PID"
    E2E_STATUS=$?
}

# e2e_wait_output <file> <pattern> <seconds>: waits for a line on stdout.
e2e_wait_output() {
    local deadline
    deadline=$(e2e_deadline "$3")
    until grep -q "$2" "$1"; do
        if ! kill -0 "$E2E_PID" 2>/dev/null; then
            grep -q "$2" "$1" && return 0  # printed just before it ended
            e2e_fail "the program ended before printing '$2'"
        fi
        [ "$(e2e_now_us)" -lt "$deadline" ] || e2e_fail "no '$2' on standard output within $(e2e_scaled "$3") s"
        sleep 0.1
    done
}

# e2e_hold <seconds> <keys> [<file> <what> <condition> [<arguments>...]]:
# holds the keys (space-separated xdotool names) down together for a leg of
# the flight that long, and releases them. velkin flies by elapsed time, so
# the length of the leg is the input a user gives, not a wait for the
# program, and is not scaled. With a condition, pictures are taken into
# <file> throughout the leg and every one must meet it (fails naming
# <what>); at least one is taken.
e2e_hold() {
    local seconds=$1 keys=$2 file=${3:-} what=${4:-} condition=${5:-} k end left shots=0
    shift 2
    [ -z "$file" ] || shift 3
    end=$(($(e2e_now_us) + $(awk -v s="$seconds" 'BEGIN { printf "%d\n", s * 1e6 }')))
    for k in $keys; do xdotool keydown "$k"; done
    while left=$((end - $(e2e_now_us))); [ "$left" -gt 0 ] || { [ -n "$file" ] && [ "$shots" -eq 0 ]; }; do
        if [ -n "$file" ]; then
            e2e_shot "$file"
            E2E_M=$(e2e_measure "$file")
            shots=$((shots + 1))
            "$condition" "$E2E_M" "$file" "$@" || { for k in $keys; do xdotool keyup "$k"; done; e2e_fail "$what (picture $file: $E2E_M)"; }
            e2e_running || e2e_fail "the program ended during $what"
        else
            # Nothing to look at: wake when the leg ends (at most 50 ms late).
            sleep "$(awk -v l="$left" 'BEGIN { printf "%.3f\n", (l < 50000 ? l : 50000) / 1e6 }')"
        fi
    done
    for k in $keys; do xdotool keyup "$k"; done
}
