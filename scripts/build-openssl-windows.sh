#!/usr/bin/env bash
# Cross-builds OpenSSL's libraries (libcrypto, libssl: no programs, no tests)
# for 64-bit Windows with mingw-w64, from Debian's own source package, into
# the cache beside Qt for Windows. libmosquitto links it for mqtts://.
#   scripts/build-openssl-windows.sh      prints the install prefix on its last line
# First build here: 70 min 31 s wall clock, 12 min 53 s of CPU (2 cores shared
# with other builds, load average 13 to 48, -j2, nice 10).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-cache.sh

scripts/install-deps.sh g++-mingw-w64-x86-64-posix dpkg-dev make perl
version=$(source_version libssl-dev)
options=(mingw64 --cross-compile-prefix=x86_64-w64-mingw32- --libdir=lib shared no-tests)
stamp=$(printf '%s\n' "${options[@]}")
cache_begin "OpenSSL" openssl "$version" "$stamp"
src=$(fetch_debian_source openssl "$version" "$work")
# Where the mirror no longer had the installed version, a newer one was built.
echo "OpenSSL for Windows from $(basename "$src")"

build=$work/build
rm -rf "$build" && mkdir -p "$build"
(cd "$build" && "$src/Configure" --prefix="$prefix" "${options[@]}" >"$work/configure.log" 2>&1) || {
  tail -n 40 "$work/configure.log" >&2; exit 1; }
make -C "$build" -j "$(build_jobs)" build_libs >"$work/build.log" 2>&1 || {
  grep -m 20 -B 2 -A 10 'error' "$work/build.log" >&2 || tail -n 40 "$work/build.log" >&2; exit 1; }
make -C "$build" install_dev install_runtime_libs >"$work/install.log" 2>&1 || {
  tail -n 40 "$work/install.log" >&2; exit 1; }
cache_complete "$prefix" "$stamp"
echo "$prefix"
