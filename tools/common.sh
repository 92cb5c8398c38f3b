# Shared by ./run, ./test and bench/run: the packages the project needs and an incremental build.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

PACKAGES=(cmake g++ ccache ninja-build pkg-config qt6-base-dev qt6-translations-l10n
    fonts-dejavu-core fonts-liberation2)
PACKAGES+=(g++-mingw-w64-x86-64) # checks that the Win32 serial binding compiles
PACKAGES+=(xvfb xdotool) # the real-window test drives the console on a private X display
PACKAGES+=(clang libclang-rt-14-dev) # libFuzzer and the sanitizers for tools/fuzz.sh
PACKAGES+=(clang-format-14) # tools/format.sh
PACKAGES+=(chromium nodejs) # the live feed's pages tested in a headless browser

# The Windows program (tools/windows.sh): the cross compiler with the thread model Qt needs,
# Qt's source package, the zip, and Wine with Arial's metrics for the tests under Wine.
WINDOWS_PACKAGES=(cmake ninja-build ccache qt6-base-dev qt6-translations-l10n dpkg-dev xz-utils
    g++-mingw-w64-x86-64-posix zip wine64 fonts-liberation2)

install_packages() {
    "$ROOT/tools/deps.sh" "${PACKAGES[@]}" "$@"
}

# configure_tree <dir> [cmake options...]: configures a tree once, and again from scratch when
# the options differ from those it was configured with (a cache keeps old values otherwise:
# an option left out later would still be set).
configure_tree() {
    local dir="$1"
    shift
    local options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@")
    local stamp="$dir/.bodovka-options"
    local wanted
    wanted="$(printf '%s\n' "${options[@]}")"
    if [ -f "$dir/CMakeCache.txt" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$wanted" ]; then
        return 0
    fi
    if [ -f "$dir/CMakeCache.txt" ]; then
        echo "$(basename "$dir")/ was configured with other options: configuring it afresh with" \
            "${options[*]}"
        # What cmake --fresh removes; the objects stay, so only what the options change rebuilds.
        rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
    fi
    cmake -S "$ROOT" -B "$dir" "${options[@]}"
    printf '%s\n' "$wanted" >"$stamp"
}

# build_tree <dir> [cmake options...]: configures as configure_tree does, then builds what
# changed with 2 jobs.
build_tree() {
    configure_tree "$@"
    cmake --build "$1" -j2
}

# The Qt modules that the Windows program links; tools/windows/qt.sh builds these and no more.
WINDOWS_QT_MODULES=(core gui widgets network)

# Where tools/windows/qt.sh keeps the static Windows Qt. The name carries Debian's whole package
# version of qt6-base (a security update there builds a new Qt) and the module list (a module
# added builds a new Qt instead of reusing one that lacks it).
windows_qt_prefix() {
    local version modules
    version="$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null)" || return 1
    modules="$(IFS=-; echo "${WINDOWS_QT_MODULES[*]}")"
    echo "${BODOVKA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/bodovka}/qt-$version-$modules-mingw-static"
}
