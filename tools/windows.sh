#!/usr/bin/env bash
# Builds the Windows program on Debian: build-win/bodovka.exe (x86-64, a window program, one file
# with everything linked in) and the release build-win/bodovka-<version>-windows-x64.zip.
# The first run builds a static Qt for Windows (tools/windows/qt.sh: more than an hour on 2 cores)
# and keeps it in ~/.cache/bodovka; later runs reuse it and take a minute or two.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$ROOT"

"$ROOT/tools/deps.sh" "${WINDOWS_PACKAGES[@]}"
# Qt's build prints its progress here; a failure stops this script with Qt's own message.
"$ROOT/tools/windows/qt.sh"
prefix="$(windows_qt_prefix)"

# Qt's toolchain file finds the static Qt and chains to our MinGW-w64 one.
build_tree "$ROOT/build-win" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$ROOT/tools/windows/mingw-w64.cmake" \
    -DBODOVKA_TESTS=OFF -DBODOVKA_BENCH=OFF

exe="$ROOT/build-win/bodovka.exe"
version="$(sed -n 's/^project(Bodovka VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")"
"$ROOT/tools/windows/package.sh" "$exe" "$prefix" "$ROOT/build-win/bodovka-$version-windows-x64.zip"
