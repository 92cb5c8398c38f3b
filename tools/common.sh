# Shared by ./run, ./test and bench/run: the packages the project needs and an incremental build.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

PACKAGES=(cmake g++ ccache ninja-build pkg-config qt6-base-dev qt6-translations-l10n
    fonts-dejavu-core fonts-liberation2)
PACKAGES+=(g++-mingw-w64-x86-64) # checks that the Win32 serial binding compiles
PACKAGES+=(xvfb xdotool) # the real-window test drives the console on a private X display
PACKAGES+=(clang libclang-rt-14-dev) # libFuzzer and the sanitizers for tools/fuzz.sh

install_packages() {
    "$ROOT/tools/deps.sh" "${PACKAGES[@]}" "$@"
}

# build_tree <dir> [cmake options...]: configures once, then builds what changed with 2 jobs.
build_tree() {
    local dir="$1"
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    fi
    cmake --build "$dir" -j2
}
