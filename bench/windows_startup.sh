#!/usr/bin/env bash
# Start-up of the Windows program under Wine next to the Linux build's, both as real windows on
# a private X display (tests/with_xvfb.sh): from starting the process until its main window is on
# the screen (xdotool, polled). No port has a device. Prints rows of bench/run's table; nothing
# where build-win/bodovka.exe is missing.
#   bench/windows_startup.sh [runs=5]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
exe="$ROOT/build-win/bodovka.exe"
wine=/usr/lib/wine/wine64
[ -f "$exe" ] && [ -x "$wine" ] || exit 0

if [ -z "${BODOVKA_ON_XVFB:-}" ]; then
    BODOVKA_ON_XVFB=1 "$ROOT/tests/with_xvfb.sh" "$0" "$@" 2>/dev/null | grep '^|' || true
    exit 0
fi
runs="${1:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/ports"
cp "$ROOT/build/bodovka" "$exe" "$work/"
for n in $(seq 10); do ln -s "$work/none" "$work/ports/COM$n"; done
export WINEPREFIX="$ROOT/build-win/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || { echo "| start-up under Wine | no prefix: run tst_wine once | |"; exit 0; }

# Milliseconds from starting the command until a visible "Bodovka 1.3" window, then ends it.
until_window() {
    local start now pid
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 3000); do
        if [ -n "$(xdotool search --onlyvisible --name '^Bodovka 1\.3$' 2>/dev/null)" ]; then
            now=$(date +%s%N)
            echo $(((now - start) / 1000000))
            break
        fi
        sleep 0.01
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if [ -z "${keep_server:-}" ]; then
        /usr/lib/wine/wineserver64 -k 2>/dev/null || true
    fi
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

export QT_QPA_PLATFORM=xcb
linux=$(for _ in $(seq "$runs"); do until_window "$work/bodovka"; done | median)
unset QT_QPA_PLATFORM # the Windows program has its own platform plugin only
cold=$(for _ in $(seq "$runs"); do until_window "$wine" "$work/bodovka.exe"; done | median)
# Wine's server and its own programs already running, as Windows' are on the scorer's PC.
/usr/lib/wine/wineserver64 -p
"$wine" wineboot >/dev/null 2>&1 || true
warm=$(for _ in $(seq "$runs"); do keep_server=1 until_window "$wine" "$work/bodovka.exe"; done | median)
/usr/lib/wine/wineserver64 -k 2>/dev/null || true
echo "| start-up to the main window on X: Linux build, median of $runs | $linux ms |"
echo "| start-up to the main window on X: Windows build under Wine, Wine started each time, median of $runs | $cold ms |"
echo "| start-up to the main window on X: Windows build under Wine, Wine already running, median of $runs | $warm ms |"
