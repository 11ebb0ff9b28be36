#!/usr/bin/env bash
# Runs a command under a private Xvfb server and returns the command's status.
#
# Usage: xvfb_session.sh "<Xvfb arguments>" <command> [<arguments>...]
#
# The server picks a free display number itself (-displayfd) and reports it
# once it accepts connections, so a server that is still shutting down, a
# stale lock file or another test's server never hands this command the
# wrong display. The server listens on its local socket only and needs no
# authorisation file. It is stopped, and waited for, when the command ends.
set -uo pipefail

[ $# -ge 2 ] || { echo "usage: $0 \"<Xvfb arguments>\" <command> [<arguments>...]" >&2; exit 2; }
server_args=$1
shift

# The server's own files (lock, socket) live in /tmp whatever TMPDIR says;
# this folder only carries its display number and log.
work=$(mktemp -d -t xvfb-session.XXXXXX 2>/dev/null || mktemp -d /tmp/xvfb-session.XXXXXX) || exit 1
server_pid=
stop_server() {
    if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
        kill -TERM "$server_pid" 2>/dev/null
        wait "$server_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap stop_server EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

# shellcheck disable=SC2086  # the server arguments are split on purpose
Xvfb -displayfd 3 -nolisten tcp $server_args 3>"$work/display" >"$work/server.log" 2>&1 &
server_pid=$!

# server_until <what> <check command...>: polls the check every 0.1 s until
# it succeeds; fails with the server's log when the server ends first or
# 30 s pass.
server_until() {
    local what=$1 deadline=$((SECONDS + 30))
    shift
    until "$@"; do
        if ! kill -0 "$server_pid" 2>/dev/null; then
            echo "xvfb_session: Xvfb ended before it could $what:" >&2
            cat "$work/server.log" >&2
            exit 1
        fi
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "xvfb_session: Xvfb did not $what within 30 s:" >&2
            cat "$work/server.log" >&2
            exit 1
        fi
        sleep 0.1
    done
}

# The display number arrives, ending with a newline, once the server is ready.
display_reported() { grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null; }
server_until "report its display" display_reported
display=$(head -n1 "$work/display")

# A user's authorisation file has no entry for this display; clients need none.
unset XAUTHORITY WAYLAND_DISPLAY

# The command starts only once a client has been served: a program that
# finds no display fails at once, and on a machine busy beyond its cores a
# server that has reported its number has been seen to refuse the first
# client.
client_served() { DISPLAY=:$display xdotool getdisplaygeometry >/dev/null 2>&1; }
server_until "serve a client" client_served
DISPLAY=:$display "$@"
