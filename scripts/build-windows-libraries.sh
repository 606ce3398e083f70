#!/usr/bin/env bash
# The libraries the Windows program's network outputs link, each cross-built
# once into the cache (see each script): libmicrohttpd, OpenSSL, then
# libmosquitto against that OpenSSL. Prints each one's time, and on its last
# line their install prefixes separated by ';' (as KZRT_WIN_LIBRARY_PREFIXES
# takes them).
#   scripts/build-windows-libraries.sh
set -euo pipefail
cd "$(dirname "$0")/.."

built() {  # script [argument]: its prefix, after saying how long it took
  local start=$SECONDS prefix
  prefix=$("$@" | tail -n1)
  echo "$(basename "$1"): $(( SECONDS - start )) s" >&2
  echo "$prefix"
}
microhttpd=$(built scripts/build-microhttpd-windows.sh)
openssl=$(built scripts/build-openssl-windows.sh)
mosquitto=$(built scripts/build-mosquitto-windows.sh "$openssl")
echo "$microhttpd;$openssl;$mosquitto"
