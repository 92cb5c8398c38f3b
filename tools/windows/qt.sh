#!/usr/bin/env bash
# Builds a static Qt for 64-bit Windows (MinGW-w64) from Debian's own qt6-base source, of the same
# package version as the host's Qt, whose moc, rcc and uic it reuses. The result is cached outside
# the project (default ~/.cache/bodovka/qt-<package version>-<modules>-mingw-static; BODOVKA_CACHE
# moves it) and reused once complete. Prints its progress, and the prefix on its last line. Takes
# more than an hour on 2 cores.
# BODOVKA_QT_SOURCE=<folder> builds from a Qt source tree of your own instead (e.g. a changed Qt
# to relink the program with); remove the cached prefix first.
set -euo pipefail
TOOLS="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$TOOLS/../common.sh"

qt_version="$(dpkg-query -W -f='${Version}' qt6-base-dev)" # e.g. 6.4.2+dfsg-10
upstream="${qt_version%%+*}"
prefix="$(windows_qt_prefix)"
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi
echo "Building Qt for Windows into $prefix (once; more than an hour on 2 cores)."

cache="$(dirname "$prefix")"
work="$cache/qt-$qt_version-work"
mkdir -p "$work"

if [ -n "${BODOVKA_QT_SOURCE:-}" ]; then
    src="$BODOVKA_QT_SOURCE"
    origin="the Qt source tree in $src"
else
    # Debian's source package, through a private apt configuration with deb-src entries: the
    # machine's own sources list stays as it is, and no root is needed.
    src="$work/src"
    apt_dir="$work/apt"
    mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    # The machine's own apt sources (its mirror, its proxy settings stay in apt.conf.d), each
    # entry turned into a deb-src one.
    rm -f "$apt_dir/parts/"*
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$file" ] || continue
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file" >>"$apt_dir/parts/machine.list"
    done
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        sed 's/^Types:.*$/Types: deb-src/' "$file" >"$apt_dir/parts/$(basename "$file")"
    done
    apt_opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt_dir/parts"
        -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache")
    if [ ! -d "$src" ]; then
        # A source without a source index (a third-party repository) fails its part of the
        # update only; the source's download below says clearly when Qt's is not to be had.
        apt-get "${apt_opts[@]}" -qq update || echo "Some apt sources give no source index; going on."
        rm -rf "$work/get" && mkdir -p "$work/get"
        (cd "$work/get" && apt-get "${apt_opts[@]}" -qq source "qt6-base=$qt_version")
        mv "$work/get/qt6-base-$upstream"*/ "$src"
        rm -rf "$work/get"
    fi
    if [ ! -s "$work/uris" ]; then
        apt-get "${apt_opts[@]}" -qq source --print-uris "qt6-base=$qt_version" >"$work/uris"
    fi
    origin="Debian's source package qt6-base $qt_version, with Debian's patches applied:
$(cut -d' ' -f1,4 "$work/uris" | tr -d "'")"
fi

# Only what the console uses: common.sh's WINDOWS_QT_MODULES (Core, Gui, Widgets, Network for
# the live feed) and the Windows platform plugin; every other module of qtbase is switched off.
# Debian's source leaves out the Wintab headers (tablet events) for licence reasons, and without
# OpenGL the platform plugin must not load it dynamically either.
options=(
    -DCMAKE_BUILD_TYPE=Release
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DBUILD_SHARED_LIBS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_system_png=OFF
    -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF
    -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF
)
for module in gui widgets network testlib sql printsupport concurrent xml; do
    case " ${WINDOWS_QT_MODULES[*]} " in
        *" $module "*) options+=("-DFEATURE_$module=ON") ;;
        *) options+=("-DFEATURE_$module=OFF") ;;
    esac
done
# A build folder configured from another source tree (BODOVKA_QT_SOURCE now or before) or with
# other options would keep what it had: start it afresh (ccache keeps the rebuild short).
source_dir="$(cd "$src" && pwd -P)"
stamp="$(printf '%s\n' "$source_dir" "${options[@]}")"
if [ -d "$work/build" ] && [ "$(cat "$work/build/.bodovka-config" 2>/dev/null)" != "$stamp" ]; then
    echo "The Qt build folder was configured from another source or with other options:" \
        "configuring it afresh."
    rm -rf "$work/build"
fi
mkdir -p "$work/build"
printf '%s\n' "$stamp" >"$work/build/.bodovka-config"
cmake -S "$src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLS/mingw-w64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    "${options[@]}"
cmake --build "$work/build" -j2
cmake --install "$work/build"

# What a program linked with this Qt must ship: the licences, and where the source is.
licenses="$prefix/licenses"
mkdir -p "$licenses/3rdparty"
cp "$src/LICENSES/LGPL-3.0-only.txt" "$src/LICENSES/GPL-3.0-only.txt" "$licenses/"
for dir in "$src"/src/3rdparty/*/; do
    name="$(basename "$dir")"
    case "$name" in android | wasm | xcb | gradle | VulkanMemoryAllocator | dbus-ifaces | libpsl) continue ;; esac
    found=("$dir"*[Ll][Ii][Cc][Ee][Nn][CcSs]* "$dir"COPYING* "$dir"qt_attribution.json)
    for file in "${found[@]}"; do
        if [ -f "$file" ]; then
            mkdir -p "$licenses/3rdparty/$name"
            cp "$file" "$licenses/3rdparty/$name/"
        fi
    done
done
cat >"$prefix/SOURCE.txt" <<INFO
Qt $upstream for Windows, static, built with MinGW-w64 ($(x86_64-w64-mingw32-g++-posix -dumpversion)) from
$origin
Configured with:
$(printf '  %s\n' "${options[@]}")
INFO
touch "$prefix/.complete"
echo "$prefix"
