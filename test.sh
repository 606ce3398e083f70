#!/usr/bin/env bash
# Builds and runs the whole test suite; exits non-zero on any failure.
#   ./test.sh             release build in build/, every test
#   ./test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/, every test
#   ./test.sh --tsan      ThreadSanitizer build in build-tsan/: the threaded units (serial, the recording
#                         thread, the outputs, the web server) and the recorder end to end
#   ./test.sh --fuzz      libFuzzer targets (clang) in build-fuzz/, each run briefly
#   ./test.sh --win32     cross-compiles the Win32 serial engine, the file layer and the
#                         recording, and the look-back's core, with their tests, with
#                         mingw-w64 and runs them under wine
#   ./test.sh --package   release build, build/kzrt-console_<version>_amd64.deb, and its checks
#   ./test.sh --windows   Qt for Windows (cached), the whole program cross-built into
#                         build-windows/ and zipped, the tests, the serial engine and the
#                         console under wine
#   ./test.sh --all       all of the above (what CI runs)
set -euo pipefail
cd "$(dirname "$0")"
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc 2>/dev/null || echo 2)

configure_and_build() {  # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

run_release() {
  scripts/install-deps.sh
  configure_and_build build
  ctest --test-dir build -j "$jobs" --output-on-failure --timeout 300
}

run_sanitize() {
  scripts/install-deps.sh
  configure_and_build build-asan -DKZRT_SANITIZE=ON -DKZRT_BENCH=OFF
  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan -j "$jobs" --output-on-failure --timeout 600
}

# Every test built in build-tsan: the units with threads of their own (serial,
# the recording thread, the outputs, the web server) and kzrt-record's
# end-to-end tests, which run the recorder itself under TSan. Which ones that
# is, tests/CMakeLists.txt says. The tests start their programs with
# posix_spawn (tests/spawned_program.h says why not QProcess).
run_tsan() {
  scripts/install-deps.sh
  configure_and_build build-tsan -DKZRT_TSAN=ON -DKZRT_BENCH=OFF
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan_suppressions.txt \
    ctest --test-dir build-tsan -j "$jobs" --output-on-failure --timeout 600
}

run_fuzz() {
  scripts/install-deps.sh clang libclang-rt-14-dev
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKZRT_FUZZ=ON \
    -DKZRT_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$jobs" --target kzrt_fuzzers
  local seconds=${KZRT_FUZZ_SECONDS:-20}
  for target in build-fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    echo "== $target (${seconds}s)"
    "$target" -max_total_time="$seconds" -print_final_stats=0 2>&1 | tail -n 2
  done
}

run_windows() {
  scripts/windows.sh
}

run_win32() {
  scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine wine64 googletest
  scripts/check-win32.sh
  scripts/wine-recording-check.sh 5
  scripts/wine-lookback-check.sh
}

run_package() {
  scripts/install-deps.sh dpkg-dev file desktop-file-utils appstream lintian systemd
  configure_and_build build
  (cd build && cpack -G DEB >/dev/null)
  tests/package/check_package.sh build
}

# Runs one stage and says how long it took (CI has an hour for all of them).
timed() {  # stage function
  local start=$SECONDS
  echo "== $1"
  "$1"
  echo "== $1: $(( SECONDS - start )) s"
}

# What CI runs. Every package comes first, so that no two stages run apt at
# once. Qt for Windows is the longest step the first time on a machine (about
# 50 CPU-minutes); it builds at low priority beside the Linux stages, which
# leave a core idle much of the time (tests, single-threaded fuzzers), and the
# Windows stage comes last.
run_all() {
  scripts/install-deps.sh clang libclang-rt-14-dev g++-mingw-w64-x86-64-posix dpkg-dev file \
    desktop-file-utils appstream lintian qt6-base-dev-tools wine wine64 xvfb xauth zip xdotool \
    x11-utils x11-apps netpbm bc systemd googletest chromium
  local qt_log="${TMPDIR:-/tmp}/kzrt-qt-windows-$$.log" qt_start=$SECONDS
  # Its CPU time goes to its log (bash's time), for the budget.
  { time nice -n 10 scripts/build-qt-windows.sh; } >"$qt_log" 2>&1 &
  local qt_pid=$!
  for stage in run_release run_package run_sanitize run_tsan run_fuzz run_win32; do timed "$stage"; done
  local start=$SECONDS
  echo "== waiting for Qt for Windows"
  wait "$qt_pid" || { tail -n 40 "$qt_log"; return 1; }
  tail -n 5 "$qt_log"
  echo "== waiting for Qt for Windows: $(( SECONDS - start )) s (Qt ready $(( SECONDS - qt_start )) s after its start)"
  timed run_windows
}

case "${1:-}" in
  "") run_release ;;
  --sanitize) run_sanitize ;;
  --tsan) run_tsan ;;
  --fuzz) run_fuzz ;;
  --win32) run_win32 ;;
  --package) run_package ;;
  --windows) run_windows ;;
  --all) run_all ;;
  *) sed -n '2,15p' "$0"; exit 2 ;;
esac
