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
#   ./test.sh --windows   Qt and the network libraries for Windows (cached), the whole program
#                         cross-built into build-windows/, zipped and made an installer; under
#                         wine the tests, the serial engine, the console, the recorder, its
#                         outputs and web page, and the installer
#   ./test.sh --all       all of the above but --win32, whose tests --windows runs too (what CI runs)
set -euo pipefail
cd "$(dirname "$0")"
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc 2>/dev/null || echo 2)

# The test builds keep line tables only (-g1): a backtrace or a sanitizer's
# report still names file and line, and a build takes about a third less
# time than with full debug information. The sanitizer builds are -O1, as the
# sanitizers advise, which compiles in less than half the time of -O2 -g.
configure_and_build() {  # dir, optimisation level, extra cmake args...
  local dir=$1 flags="$2 -g1 -DNDEBUG"; shift 2
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$flags" \
    "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

run_release() {
  scripts/install-deps.sh
  configure_and_build build -O2
  ctest --test-dir build -j "$jobs" --output-on-failure --timeout 300
}

run_sanitize() {
  scripts/install-deps.sh
  configure_and_build build-asan -O1 -DKZRT_SANITIZE=ON -DKZRT_BENCH=OFF
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
  configure_and_build build-tsan -O1 -DKZRT_TSAN=ON -DKZRT_BENCH=OFF
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
  configure_and_build build -O2
  (cd build && cpack -G DEB >/dev/null)
  tests/package/check_package.sh build
}

# Runs one mode as a script of its own (so that its first failing command
# ends it) and says how long it took (CI has an hour for all of them).
timed() {  # mode argument ("" for the release build)
  local name=${1:-release} start=$SECONDS status=0
  echo "== $name"
  "$0" $1 || status=$?
  echo "== $name: $(( SECONDS - start )) s$([ $status -eq 0 ] || echo ", FAILED")"
  return $status
}

# What CI runs. Every package comes first, so that no two stages run apt at
# once. Qt for Windows and the network libraries for Windows are the longest
# step the first time on a machine (about 50 CPU-minutes for Qt, see
# scripts/build-*-windows.sh for the libraries); they build at low priority
# beside the Linux stages, which leave a core idle much of the time (tests,
# single-threaded fuzzers), and the Windows stage comes last. --win32 is not
# run here: the Windows stage builds and runs the same tests (and every other
# one) under wine. A failing stage does not stop the next: the run says at the
# end which failed.
run_all() {
  scripts/install-deps.sh clang libclang-rt-14-dev g++-mingw-w64-x86-64-posix dpkg-dev file \
    desktop-file-utils appstream lintian qt6-base-dev-tools wine wine64 xvfb xauth zip xdotool \
    x11-utils x11-apps netpbm bc systemd googletest make perl nsis liblnk-utils curl librsvg2-bin chromium
  local windows_log="${TMPDIR:-/tmp}/kzrt-windows-libraries-$$.log" windows_start=$SECONDS failed=()
  # Its CPU time goes to its log (bash's time), for the budget.
  { time nice -n 10 sh -c 'scripts/build-qt-windows.sh && scripts/build-windows-libraries.sh'; } \
    >"$windows_log" 2>&1 &
  local windows_pid=$!
  for mode in "" --package --sanitize --tsan --fuzz; do timed "$mode" || failed+=("${mode:-release}"); done
  local start=$SECONDS
  echo "== waiting for Qt and the libraries for Windows"
  if wait "$windows_pid"; then
    tail -n 8 "$windows_log"
    echo "== waiting for Qt and the libraries for Windows: $(( SECONDS - start )) s" \
      "(ready $(( SECONDS - windows_start )) s after their start)"
    timed --windows || failed+=(--windows)
  else
    tail -n 40 "$windows_log"
    failed+=("Qt and the libraries for Windows")
  fi
  [ ${#failed[@]} -eq 0 ] || { echo "== failed: ${failed[*]}"; return 1; }
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
  *) sed -n '2,16p' "$0"; exit 2 ;;
esac
