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
# Needs: xdotool, ImageMagick (import, convert, compare), od, awk, bash 5
# (EPOCHREALTIME), and the close_window helper (path in E2E_CLOSE_WINDOW).

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
    if [ -n "${E2E_PID:-}" ] && kill -0 "$E2E_PID" 2>/dev/null; then kill -TERM "$E2E_PID" 2>/dev/null; fi
    exit 1
}

# e2e_start <program> <stdout file>: starts the program; sets E2E_PID.
e2e_start() {
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
e2e_picture() {
    local file=$1 seconds=$2 what=$3 condition=$4 deadline
    shift 4
    deadline=$(e2e_deadline "$seconds")
    while :; do
        e2e_shot "$file"
        E2E_M=$(e2e_measure "$file")
        "$condition" "$E2E_M" "$file" "$@" && return 0
        e2e_running || e2e_fail "the program ended while waiting for $what"
        [ "$(e2e_now_us)" -lt "$deadline" ] ||
            e2e_fail "$what: not seen within $(e2e_scaled "$seconds") s (last picture $file: $E2E_M)"
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

# e2e_measure <file>: prints, for the picture,
#   red <count> <centre x> <centre y>  blue <count> <min blue> <max blue> <spread>
#   green <count>  width <w> height <h>  lit <count>
# Red: the aircraft lit or in shade, specular highlights (pink) included:
# r > 100 and r > 1.5g, 1.5b; or r > 40 and r > 3g, 3b. Blue: b > 40, b > 2r, b > 2g. Green likewise.
# <spread> is the difference between the 95th and 5th percentile of blue
# intensity over the blue pixels: how much the lighting varies. Lit: pixels
# that are not black, with some channel at 16 or more.
e2e_measure() {
    local w h
    w=$(identify -format '%w' "$1") h=$(identify -format '%h' "$1")
    convert "$1" -depth 8 rgb:- | od -An -v -tu1 -w3 | awk -v w="$w" -v h="$h" '
        { r = $1; g = $2; b = $3; x = n % w; y = int(n / w); n++
          if ((r > 100 && 2 * r > 3 * g && 2 * r > 3 * b) || (r > 40 && r > 3 * g && r > 3 * b)) { rc++; rx += x; ry += y }
          if (b > 40 && b > 2 * r && b > 2 * g) { bc++; hist[b]++; if (bmin == "" || b < bmin) bmin = b; if (b > bmax) bmax = b }
          if (g > 100 && g > 2 * r && g > 2 * b) gc++
          if (r >= 16 || g >= 16 || b >= 16) lc++ }
        END {
          lo = 0; hi = 0; acc = 0
          for (v = 0; v < 256; v++) { acc += hist[v]; if (!lo && acc >= bc * 0.05) lo = v; if (!hi && acc >= bc * 0.95) hi = v }
          printf "red %d %.1f %.1f blue %d %d %d %d green %d width %d height %d lit %d\n",
                 rc, rc ? rx / rc : -1, rc ? ry / rc : -1, bc, bmin, bmax, hi - lo, gc, w, h, lc }'
}

# e2e_first_picture <file>: waits (up to 20 s) until the scene is drawn, with
# the red aircraft and the blue terrain on screen; leaves the picture's
# measure line in E2E_M.
e2e_first_picture() {
    e2e_picture "$1" 20 "the first picture (red aircraft over blue terrain)" e2e_scene_drawn
}
e2e_scene_drawn() {
    [ "$(e2e_field "$1" red)" -gt 50 ] && [ "$(e2e_field "$1" blue)" -gt 10000 ]
}

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
    "$E2E_CLOSE_WINDOW" "$E2E_WID" || e2e_fail "could not send WM_DELETE_WINDOW"
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
