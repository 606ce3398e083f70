#!/usr/bin/env bash
# Cross-builds libmicrohttpd (the recorder's /metrics) for 64-bit Windows
# with mingw-w64, from Debian's own source package, into the cache beside Qt
# for Windows: a DLL, its import library, the header and a pkg-config file.
# Plain HTTP only: the outputs serve 127.0.0.1 or a lab network, and GnuTLS
# for Windows would be another library to build.
#   scripts/build-microhttpd-windows.sh      prints the install prefix on its last line
# First build here: 3 min 48 s wall clock (2 cores shared with other builds,
# load average 13 to 48, -j2, nice 10), about half of it the configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-cache.sh

scripts/install-deps.sh g++-mingw-w64-x86-64-posix dpkg-dev make
version=$(source_version libmicrohttpd-dev)
options=(--host=x86_64-w64-mingw32 --enable-shared --disable-static --disable-https --without-gnutls
         --disable-doc --disable-examples --disable-curl --disable-postprocessor)
stamp=$(printf '%s\n' "${options[@]}")
cache_begin "libmicrohttpd" libmicrohttpd "$version" "$stamp"
src=$(fetch_debian_source libmicrohttpd "$version" "$work")

build=$work/build
rm -rf "$build" && mkdir -p "$build"
(cd "$build" && CC=x86_64-w64-mingw32-gcc-posix "$src/configure" --prefix="$prefix" "${options[@]}" \
   >"$work/configure.log" 2>&1) || { tail -n 40 "$work/configure.log" >&2; exit 1; }
# Only the library: its tests need curl for Windows.
make -C "$build/src/microhttpd" -j "$(build_jobs)" install >"$work/build.log" 2>&1 || {
  tail -n 40 "$work/build.log" >&2; exit 1; }
make -C "$build" install-pkgconfigDATA >>"$work/build.log" 2>&1
make -C "$build/src/include" install >>"$work/build.log" 2>&1
cache_complete "$prefix" "$stamp"
echo "$prefix"
