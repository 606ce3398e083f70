#!/usr/bin/env bash
# Cross-compiles the Qt-free serial engine for Windows with mingw-w64 and links
# it into a small check program (build-win32/serial_win32_check.exe). It cannot
# run here; under wine, or on Windows, it runs its own checks.
#   scripts/check-win32.sh            build (and run with wine when present)
set -euo pipefail
cd "$(dirname "$0")/.."

cxx=""
for candidate in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++; do
  if command -v "$candidate" >/dev/null 2>&1; then cxx=$candidate; break; fi
done
if [ -z "$cxx" ]; then
  echo "check-win32: no mingw-w64 compiler (install g++-mingw-w64-x86-64-posix)" >&2
  exit 1
fi

out=build-win32
mkdir -p "$out/obj"
flags=(-std=c++20 -O2 -Wall -Wextra -Werror -I. -D_WIN32_WINNT=0x0601)
sources=(
  serial/port_settings.cpp
  serial/notification.cpp
  serial/notification_queue.cpp
  serial/parity_marks.cpp
  serial/line_watch.cpp
  serial/reconnection.cpp
  serial/reconnection_policy.cpp
  serial/comm_settings_win32.cpp
  serial/port_names_win32.cpp
  serial/port_hints_win32.cpp
  serial/port_channel_win32.cpp
  tests/serial/win32_engine_check.cpp
)
objects=()
for src in "${sources[@]}"; do
  obj="$out/obj/$(basename "${src%.cpp}").o"
  echo "  $cxx $src"
  "$cxx" "${flags[@]}" -c "$src" -o "$obj"
  objects+=("$obj")
done
"$cxx" -static -o "$out/serial_win32_check.exe" "${objects[@]}" -lsetupapi
echo "check-win32: built $out/serial_win32_check.exe"

if command -v wine >/dev/null 2>&1; then
  . scripts/wine-env.sh
  wine_start "$PWD/$out/wine"
  status=0
  wine "$out/serial_win32_check.exe" </dev/null || status=$?
  wine_stop
  exit $status
fi
