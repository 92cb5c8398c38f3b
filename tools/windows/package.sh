#!/usr/bin/env bash
# package.sh EXE QT_PREFIX ZIP: the release zip for the scorer's PC. It holds the program, a
# plain-text guide taken from the README, and what Qt's licence asks for: its text, the notices
# of the libraries inside, and where the sources and build scripts are, so that anyone can
# rebuild the program with a Qt of their own.
set -euo pipefail
TOOLS="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$TOOLS/../.." && pwd)"
exe="$1"
prefix="$2"
zip="$3"

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
name="$(basename "$zip" .zip)"
mkdir -p "$stage/$name/LICENSES"
cp "$exe" "$stage/$name/bodovka.exe"

# The README section of a heading (up to the next heading of its level or above), as plain text
# with Windows line ends.
section() {
    awk -v wanted="$1" '
        /^#+ / {
            level = index($0, " ") - 1
            if (printing && level <= depth) printing = 0
            if (substr($0, level + 2) == wanted) { printing = 1; depth = level }
        }
        printing { gsub(/\*\*|`/, ""); print }
    ' "$ROOT/README.md" | sed 's/$/\r/'
}
{
    printf 'Bodovka: the scorekeeper'"'"'s console for the hall scoreboard\r\n\r\n'
    for heading in "On the scorer's PC" "Using the console" "Settings file" "Live feed" \
        "Messages"; do
        section "$heading"
    done
} >"$stage/$name/README.txt"

cp -r "$prefix/licenses/." "$stage/$name/LICENSES/Qt"
cp /usr/share/doc/mingw-w64-common/copyright "$stage/$name/LICENSES/mingw-w64-runtime.txt"
commit="$(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)"
if [ -n "$(git -C "$ROOT" status --porcelain 2>/dev/null)" ]; then
    commit="$commit with local changes"
fi
{
    printf 'bodovka.exe is Bodovka built from its source tree (commit %s) with\r\n' "$commit"
    printf 'tools/windows.sh, which builds Qt with tools/windows/qt.sh and links it statically.\r\n\r\n'
    printf 'Qt is licensed under the GNU LGPL version 3 (LICENSES/Qt). To run the program with a\r\n'
    printf 'Qt of your own: put Qt'"'"'s source in a folder, run\r\n'
    printf '  BODOVKA_QT_SOURCE=<folder> tools/windows/qt.sh\r\n'
    printf 'then tools/windows.sh in the Bodovka source tree. The Qt inside this program:\r\n\r\n'
    sed 's/$/\r/' "$prefix/SOURCE.txt"
} >"$stage/$name/SOURCE.txt"

rm -f "$zip"
(cd "$stage" && zip -q -X -r "$zip" "$name")
echo "$zip"
