# Helpers for velkin's end-to-end tests, sourced by the test scripts. They run
# inside xvfb_session.sh (no window manager): start the program, find its window,
# drive it with xdotool, take screenshots with ImageMagick, measure colours,
# and close the window with a WM_DELETE_WINDOW client message.
#
# Needs: xdotool, ImageMagick (import, convert, compare), od, awk, and the
# close_window helper (path in E2E_CLOSE_WINDOW).

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

# e2e_find_window <title>: polls every 50 ms (up to 30 s) for a visible
# window of that exact title; sets E2E_WID.
e2e_find_window() {
    local i
    for i in $(seq 600); do
        E2E_WID=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
        [ -n "$E2E_WID" ] && return 0
        kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended before its window appeared"
        sleep 0.05
    done
    e2e_fail "no window titled '$1' after 30 s"
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
# the red aircraft and the blue terrain on screen; prints the picture's measure.
e2e_first_picture() {
    local m i
    for i in $(seq 100); do
        e2e_shot "$1"
        m=$(e2e_measure "$1")
        [ "$(e2e_field "$m" red)" -gt 50 ] && [ "$(e2e_field "$m" blue)" -gt 10000 ] && break
        sleep 0.2
    done
    echo "$m"
}

# e2e_field <measure line> <name> [<index>]: value after a name in a measure line.
e2e_field() {
    echo "$1" | awk -v k="$2" -v i="${3:-1}" '{ for (f = 1; f <= NF; f++) if ($f == k) { print $(f + i); exit } }'
}

# e2e_differ <a> <b>: number of pixels that differ by more than 8%.
e2e_differ() {
    compare -metric AE -fuzz 8% "$1" "$2" null: 2>&1 | awk '{ print int($1) }'
}

# e2e_drag <buttons> <x0> <y0> <x1> <y1>: presses the buttons (e.g. "1 3")
# at (x0, y0) in the window, moves to (x1, y1) in 20 steps, releases them.
e2e_drag() {
    local buttons=$1 x0=$2 y0=$3 x1=$4 y1=$5 b i
    xdotool mousemove --window "$E2E_WID" "$x0" "$y0"
    sleep 0.1
    for b in $buttons; do xdotool mousedown "$b"; done
    sleep 0.1
    for i in $(seq 1 20); do
        xdotool mousemove --window "$E2E_WID" $((x0 + (x1 - x0) * i / 20)) $((y0 + (y1 - y0) * i / 20))
        sleep 0.02
    done
    sleep 0.1
    for b in $buttons; do xdotool mouseup "$b"; done
    sleep 0.3
}

# e2e_key <keys...>: types keys into the window (xdotool key names).
e2e_key() {
    xdotool windowfocus "$E2E_WID" 2>/dev/null || true
    xdotool key --delay 50 "$@"
    sleep 0.3
}

# e2e_close: sends WM_DELETE_WINDOW to the window.
e2e_close() {
    "$E2E_CLOSE_WINDOW" "$E2E_WID" || e2e_fail "could not send WM_DELETE_WINDOW"
}

# e2e_wait_exit <seconds>: waits for the program to end; sets E2E_STATUS.
e2e_wait_exit() {
    local i
    for i in $(seq $(($1 * 20))); do
        if ! kill -0 "$E2E_PID" 2>/dev/null; then
            wait "$E2E_PID"
            E2E_STATUS=$?
            return 0
        fi
        sleep 0.05
    done
    e2e_fail "the program did not end within $1 s"
}

# e2e_wait_output <file> <pattern> <seconds>: waits for a line on stdout.
e2e_wait_output() {
    local i
    for i in $(seq $(($3 * 10))); do
        grep -q "$2" "$1" && return 0
        kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended before printing '$2'"
        sleep 0.1
    done
    e2e_fail "no '$2' on standard output within $3 s"
}
