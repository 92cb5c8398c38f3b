#!/usr/bin/env bash
# with_xvfb.sh COMMAND [ARGS...]: runs the command on a private X display. Xvfb picks a free
# display number itself (-displayfd); DISPLAY and QT_QPA_PLATFORM=xcb are set for the command,
# and the server is stopped when it ends. Exits 77 (CTest: skipped) when Xvfb cannot start.
set -uo pipefail

skip() {
    echo "SKIP: $*"
    exit 77
}

command -v Xvfb >/dev/null || skip "Xvfb is not installed (Debian package xvfb)"
work="$(mktemp -d)" || skip "no temporary folder for Xvfb"
xvfb=""

stop_xvfb() {
    if [ -n "$xvfb" ] && kill -0 "$xvfb" 2>/dev/null; then
        kill "$xvfb" 2>/dev/null
        for _ in $(seq 50); do
            kill -0 "$xvfb" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$xvfb" 2>/dev/null
    fi
    wait 2>/dev/null
    rm -rf "$work"
}
trap stop_xvfb EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!

# Xvfb writes the display number, and a newline, once it accepts clients.
number=""
for _ in $(seq 100); do
    if [ "$(tail -c 1 "$work/display" 2>/dev/null | od -An -c | tr -d ' ')" = '\n' ]; then
        number="$(tr -dc '0-9' <"$work/display")"
        break
    fi
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$number" ]; then
    tail -n 5 "$work/xvfb.log"
    skip "Xvfb did not start within 10 s (its last messages are above)"
fi

export DISPLAY=":$number" QT_QPA_PLATFORM=xcb
"$@"
