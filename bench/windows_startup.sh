#!/usr/bin/env bash
# Start-up of the console against the bare window (bench/bare_window.cpp: the main window's nine
# digits and nothing else), as real windows on a private X display (tests/with_xvfb.sh): the
# Linux build against build/bench/bare_window, and the Windows program under Wine against
# build-win/bare_window.exe, built with the same static Windows Qt. The console and its bare
# window are started in turn, each measure is the median of each one's starts:
#   - from starting the process until its window is visible on the screen (xdotool, polled
#     every 10 ms; under Wine this takes in Wine's own start);
#   - from the first line of main() until the first paint pass is over, as the program itself
#     reports it on standard error (BODOVKA_STARTUP_REPORT, app/main.cpp; Wine passes it on).
# Under Wine with its server running, the exe is also set against bare_window.exe --texts.
# No port has a device. Prints rows of bench/run's table; nothing where build-win/bodovka.exe or
# build-win/bare_window.exe is missing (tools/windows.sh builds both).
#   bench/windows_startup.sh [runs=7]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
exe="$ROOT/build-win/bodovka.exe"
bare_exe="$ROOT/build-win/bare_window.exe"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
[ -f "$exe" ] && [ -f "$bare_exe" ] && [ -x "$wine" ] || exit 0

if [ -z "${BODOVKA_ON_XVFB:-}" ]; then
    BODOVKA_ON_XVFB=1 "$ROOT/tests/with_xvfb.sh" "$0" "$@" 2>/dev/null | grep '^|' || true
    exit 0
fi
runs="${1:-7}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/ports"
cp "$ROOT/build/bodovka" "$ROOT/build/bench/bare_window" "$exe" "$bare_exe" "$work/"
for n in $(seq 10); do ln -s "$work/none" "$work/ports/COM$n"; done
export WINEPREFIX="$ROOT/build-win/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The prefix as tst_wine makes it, where it is missing: Wine's COM1..COM10 are links in
# build-win/wine-lines/ports, which lead nowhere outside the test; Liberation Sans for Arial.
if [ ! -f "$WINEPREFIX/bodovka-ready" ]; then
    "$wine" wineboot --init >/dev/null 2>&1
    for n in $(seq 10); do
        "$wine" reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /t REG_SZ \
            /d "$ROOT/build-win/wine-lines/ports/COM$n" /f >/dev/null 2>&1
    done
    for font in Arial "Microsoft Sans Serif"; do
        "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /t REG_SZ \
            /d "Liberation Sans" /f >/dev/null 2>&1
    done
    "$wineserver" -k 2>/dev/null || true
    touch "$WINEPREFIX/bodovka-ready"
fi

# Starts the command with the report asked for; prints the milliseconds until a visible window
# whose name matches $1, and those from main() to the first paint that the program reported,
# then ends it.
until_window() {
    local name="$1" start now pid shown="" main=""
    shift
    start=$(date +%s%N)
    BODOVKA_STARTUP_REPORT=1 "$@" >/dev/null 2>"$work/stderr" &
    pid=$!
    for _ in $(seq 3000); do
        if [ -n "$(xdotool search --onlyvisible --name "$name" 2>/dev/null)" ]; then
            now=$(date +%s%N)
            shown=$(((now - start) / 1000000))
            break
        fi
        sleep 0.01
    done
    for _ in $(seq 500); do # the report comes once the paint pass is over
        main="$(sed -n 's/^startup: first paint \([0-9.]*\) ms after main.*/\1/p' "$work/stderr")"
        [ -n "$main" ] && break
        sleep 0.01
    done
    echo "${shown:-?} ${main:-?}"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if [ -z "${keep_server:-}" ]; then
        # Waits for the server's end too: a start meeting a server on its way out may never
        # show its window.
        "$wineserver" -k 2>/dev/null || true
        "$wineserver" -w 2>/dev/null || true
    fi
}

# Column $1 of the samples in file $2: the median of its numbers.
median() {
    awk -v c="$1" '$c != "?" { print $c }' "$2" | sort -n |
        awk '{ v[NR] = $1 } END { if (NR == 0) print "?"; else print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# "console / bare ms = ratio x" for column $1 of the files $2 (console) and $3 (bare window).
against() {
    local a b
    a="$(median "$1" "$2")"
    b="$(median "$1" "$3")"
    awk -v a="$a" -v b="$b" 'BEGIN {
        if (a == "?" || b == "?" || b == 0) { printf "%s / %s ms\n", a, b }
        else { printf "%.1f / %.1f ms = %.2fx\n", a, b, a / b } }'
}

# $runs starts of console_command (window name console_name) and of bare_command (bare_name) in
# turn; rows for the label $1 with the goal $2.
compare() {
    local label="$1" goal="$2" n
    : >"$work/console"
    : >"$work/bare"
    for _ in $(seq "$runs"); do
        until_window "$console_name" "${console_command[@]}" >>"$work/console"
        until_window "$bare_name" "${bare_command[@]}" >>"$work/bare"
    done
    n="$(grep -c -v '^?' "$work/console" || true) / $(grep -c -v '^?' "$work/bare" || true)"
    echo "| start-up to a visible window, $label, median of $n starts in turn ($goal) | $(against 1 "$work/console" "$work/bare") |"
    echo "| start-up from main() to the first paint, $label, median of $n starts in turn ($goal) | $(against 2 "$work/console" "$work/bare") |"
}

console_name='^Bodovka 1\.3$'
bare_name='^Bodovka bare window$'
export QT_QPA_PLATFORM=xcb
console_command=("$work/bodovka")
bare_command=("$work/bare_window")
compare "Linux build on X: console / bare window" "target ≤ 1.05x"
unset QT_QPA_PLATFORM # the Windows program has its own platform plugin only
console_command=("$wine" "$work/bodovka.exe")
bare_command=("$wine" "$work/bare_window.exe")
compare "under Wine, Wine started each time: bodovka.exe / bare_window.exe" "goal ≤ 1.0x"
# Wine's server and its own programs already running, as Windows' are on the scorer's PC.
"$wineserver" -p
"$wine" wineboot >/dev/null 2>&1 || true
keep_server=1 compare "under Wine, Wine already running: bodovka.exe / bare_window.exe" \
    "goal ≤ 1.0x"
# Against the bare window with two captions in the console's fonts: what is left once both
# pay for showing text.
bare_command=("$wine" "$work/bare_window.exe" --texts)
keep_server=1 compare "under Wine, Wine already running: bodovka.exe / bare_window.exe --texts" \
    "for comparison"
"$wineserver" -k 2>/dev/null || true
