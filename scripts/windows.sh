#!/usr/bin/env bash
# The Windows program: Qt for Windows and the network libraries (cached), the whole tree cross-built
# into build-windows/, the zip a Windows user unzips and the installer, the
# test programs under wine, the Win32 serial engine against a pseudo-terminal,
# the console itself under wine on a virtual display, the recorder, its
# network outputs and the installer under wine. Prints each stage's time.
#   scripts/windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
out=build-windows
linux=build

stage() {  # name, command...
  local name=$1 start status=0
  shift
  start=$(date +%s)
  echo "== $name"
  "$@" || status=$?
  echo "== $name: $(( $(date +%s) - start )) s$([ $status -eq 0 ] || echo ", FAILED")"
  return $status
}

qt="" libraries="" zip=""
build_qt() { qt=$(scripts/build-qt-windows.sh | tail -n1); echo "Qt for Windows in $qt"; }
build_libraries() { libraries=$(scripts/build-windows-libraries.sh | tail -n1); echo "libraries in $libraries"; }

cross_build() {
  cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/scripts/mingw-w64.cmake" -DKZRT_QT_WIN_PREFIX="$qt" \
    -DKZRT_WIN_LIBRARY_PREFIXES="$libraries" -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(gcc -dumpmachine)/cmake" -DKZRT_BENCH=OFF >/dev/null
  cmake --build "$out" -j "$jobs"
}

setup=""
package() {
  { read -r setup; read -r zip; } < <(scripts/package-windows.sh "$out" "$qt" | tail -n2)
  echo "$zip: $(stat -c %s "$zip") bytes"
  echo "$setup: $(stat -c %s "$setup") bytes"
  [ -s "$setup" ] && [ -s "$zip" ]
}

# The Linux side of the wine checks: the simulator, the serial far end, the
# modem-line helper, and the Linux console for the start-up comparison.
linux_helpers() {
  cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$linux" -j "$jobs" --target kzrt-console kzrt-record kzrt-meter-sim wine_serial_far_end \
    kzrt_modem_lines
}

preload() { echo "$PWD/$linux/tests/serial/libkzrt_modem_lines.so"; }

serial_check() {
  scripts/wine-serial-check.sh "$PWD/$out/serial_win32_test.exe" "$PWD/$linux/wine_serial_far_end" \
    "$(preload)" "$PWD/$out/wine-serial"
}

console_check() {
  # The folder the zip was made of.
  scripts/wine-console-check.sh "$PWD/${zip%.zip}" "$linux" \
    "$(preload)" "$PWD/$out/wine-console" "$PWD/$out/artifacts"
}

record_check() {
  scripts/wine-record-check.sh "$PWD/${zip%.zip}" "$linux" "$(preload)" "$PWD/$out/wine-record"
}

network_check() {
  scripts/wine-network-check.sh "$PWD/${zip%.zip}" "$linux" "$(preload)" "$PWD/$out/wine-network"
}

installer_check() {
  scripts/wine-installer-check.sh "$PWD/${zip%.zip}" "$setup" "$linux" "$(preload)" "$PWD/$out/wine-installer"
}

scripts/install-deps.sh g++-mingw-w64-x86-64-posix dpkg-dev qt6-base-dev-tools wine wine64 xvfb xauth \
  zip xdotool x11-utils x11-apps netpbm bc nsis liblnk-utils curl librsvg2-bin
status=0
stage "Qt for Windows" build_qt
stage "libraries for Windows" build_libraries
stage "cross build" cross_build
stage "zip and installer" package
stage "Linux helpers" linux_helpers
stage "tests under wine" scripts/wine-tests.sh "$out" "$qt" || status=1
stage "serial engine under wine" serial_check || status=1
stage "console under wine" console_check || status=1
stage "recorder under wine" record_check || status=1
stage "network outputs under wine" network_check || status=1
stage "installer under wine" installer_check || status=1
exit $status
