#!/usr/bin/env bash
# Cross-builds Qt (Core, Gui, Widgets, the windows and offscreen platform
# plugins, the styles) for 64-bit Windows with mingw-w64, from Debian's own
# qt6-base source, into a cache folder outside the tree. The cache is keyed by
# the Qt version and reused when present, so only the first run on a machine
# pays for the build.
#   scripts/build-qt-windows.sh          prints the install prefix on its last line
# Environment: KZRT_QT_WIN_CACHE (default ~/.cache/kzrt-console) holds the builds.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/windows-cache.sh

scripts/install-deps.sh g++-mingw-w64-x86-64-posix dpkg-dev qt6-base-dev-tools

version=$(dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/+.*//; s/-.*//')

# Only what the console and its tests need: no sql, network, dbus, opengl,
# testlib or icu; the bundled third-party libraries instead of system ones;
# precompiled headers, which save about a fifth of the compile time.
# Debian's source drops the wintab headers (tablet events off), and with opengl
# off the windows plugin only compiles without dynamic GL. Direct2D 1.1 off
# leaves out the direct2d platform plugin, a second full copy of the windows
# plugin nobody loads; Direct2D itself stays, since the windows plugin's
# DirectWrite font database is only built with it.
options=(
  -DCMAKE_BUILD_TYPE=Release
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DBUILD_WITH_PCH=ON
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF
  -DFEATURE_testlib=OFF -DFEATURE_icu=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF -DFEATURE_sql_sqlite=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_direct2d1_1=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
  -DFEATURE_sql_odbc=OFF
  -DINPUT_openssl=no
)
# The cache holds the options it was built with: a changed set builds again.
stamp=$(printf '%s\n' "${options[@]}")
cache_begin "Qt" qt "$version" "$stamp"

src=$(fetch_debian_source qt6-base "$(source_version qt6-base-dev)" "$work")

build=$work/build
cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/scripts/mingw-w64.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(gcc -dumpmachine)/cmake" \
  "${options[@]}" >"$work/configure.log" 2>&1 || {
    tail -n 40 "$work/configure.log" >&2; exit 1; }
cmake --build "$build" -j "$(build_jobs)" >"$work/build.log" 2>&1 || {
  grep -m 20 -B 2 -A 10 'error' "$work/build.log" >&2 || tail -n 40 "$work/build.log" >&2; exit 1; }
cmake --install "$build" >"$work/install.log" 2>&1
cache_complete "$prefix" "$stamp"
echo "$prefix"
