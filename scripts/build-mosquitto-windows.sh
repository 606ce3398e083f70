#!/usr/bin/env bash
# Cross-builds libmosquitto, the MQTT client library, with TLS against the
# cached OpenSSL, for 64-bit Windows with mingw-w64, from Debian's own source
# package, into the cache beside Qt for Windows. No broker, no client
# programs, no plugins, no C++ wrapper.
#   scripts/build-mosquitto-windows.sh OPENSSL_PREFIX   prints the install prefix on its last line
# First build here: 3 min 38 s wall clock, 1 min 15 s of CPU (2 cores shared
# with other builds, -j2, nice 10).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/windows-cache.sh
openssl=$1

scripts/install-deps.sh g++-mingw-w64-x86-64-posix dpkg-dev cmake ninja-build
version=$(source_version libmosquitto-dev)
options=(-DCMAKE_BUILD_TYPE=Release -DWITH_BROKER=OFF -DWITH_APPS=OFF -DWITH_CLIENTS=OFF -DWITH_PLUGINS=OFF
         -DDOCUMENTATION=OFF -DWITH_LIB_CPP=OFF -DWITH_CJSON=OFF -DWITH_TLS=ON -DWITH_THREADING=ON
         -DWITH_STATIC_LIBRARIES=OFF)
# A rebuilt OpenSSL builds this again.
stamp=$(printf '%s\n' "${options[@]}" "$openssl" "$(cat "$openssl/.complete")")
cache_begin "libmosquitto" mosquitto "$version" "$stamp"
src=$(fetch_debian_source mosquitto "$version" "$work")

# Two spots of its build assume Microsoft's compiler on Windows: threading
# looks for a pthreads-win32 at C:\pthreads (mingw-w64 has its own pthreads),
# and the DLL's import library gets no install destination.
sed -i '/^if (WITH_THREADING)/,/^endif (WITH_THREADING)/ s/^\tif (WIN32)$/\tif (WIN32 AND MSVC)/' "$src/CMakeLists.txt"
sed -i 's/^install(TARGETS libmosquitto RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" LIBRARY/install(TARGETS libmosquitto RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}" LIBRARY/' \
  "$src/lib/CMakeLists.txt"

build=$work/build
rm -rf "$build"
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/scripts/mingw-w64.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_C_FLAGS=-DWIN32 \
  -DKZRT_WIN_LIBRARY_PREFIXES="$openssl" -DOPENSSL_ROOT_DIR="$openssl" \
  "${options[@]}" >"$work/configure.log" 2>&1 || { tail -n 40 "$work/configure.log" >&2; exit 1; }
cmake --build "$build" -j "$(build_jobs)" >"$work/build.log" 2>&1 || {
  grep -m 20 -B 2 -A 10 'error' "$work/build.log" >&2 || tail -n 40 "$work/build.log" >&2; exit 1; }
cmake --install "$build" >"$work/install.log" 2>&1 || { tail -n 40 "$work/install.log" >&2; exit 1; }
cache_complete "$prefix" "$stamp"
echo "$prefix"
