#!/usr/bin/env bash
# The file layer and the recording on Windows, which need no Qt: cross-compiles
# the runtime, the recording, their tests (GoogleTest from Debian's sources)
# and the paced recording bench with mingw-w64 and runs them under wine: the
# file tests (the journal included), the power-cut matrix, the recorder killed
# at random and a reader beside it, and the bench at 86,400 rows so that the
# Windows tick sits beside the Linux one (build/bench/bench_recording_disk,
# when the Linux build has it, runs right after).
#   scripts/wine-recording-check.sh [SECONDS]    bench seconds per run (20)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
out=build-win32-recording
cxx=x86_64-w64-mingw32-g++-posix
command -v ccache >/dev/null && cxx="ccache $cxx"
gtest=/usr/src/googletest/googletest
flags=(-std=c++20 -O2 -Wall -Wextra -Wno-missing-field-initializers -I. -I"$gtest/include" -I"$gtest"
       -D_WIN32_WINNT=0x0601 -DKZRT_TEST_EXECUTABLE='"runtime_test.exe"')
mkdir -p "$out/obj"

compile() {  # source -> object path on stdout
  local obj="$out/obj/$(echo "${1%.*}" | tr / _).o"
  if [ ! -f "$obj" ] || [ "$1" -nt "$obj" ] || find runtime meter storage console tests bench -name '*.h' -newer "$obj" | grep -q .; then
    $cxx "${flags[@]}" -c "$1" -o "$obj" >&2
  fi
  echo "$obj"
}

link() {  # program, sources...
  local program=$1 objects=()
  shift
  for src in "$@"; do objects+=("$(compile "$src")"); done
  $cxx -static -o "$out/$program.exe" "${objects[@]}"
  echo "  built $out/$program.exe"
}

runtime=(runtime/conversions.cpp runtime/date_time.cpp runtime/date_time_win32.cpp runtime/file_numbers.cpp
         runtime/native_file_win32.cpp runtime/native_handle_win32.cpp runtime/rewrite_journal_win32.cpp
         runtime/gbk_codec_win32.cpp runtime/gbk_sequences.cpp runtime/local_time.cpp runtime/local_time_win32.cpp
         runtime/native_path.cpp runtime/program_paths.cpp runtime/program_paths_win32.cpp
         runtime/runtime_errors.cpp runtime/settings_store.cpp runtime/texts.cpp)
recording=(meter/recording_row.cpp storage/day_file_session.cpp storage/day_file_view.cpp storage/file_system.cpp storage/fold_plan.cpp
           storage/log_fold.cpp storage/log_format.cpp storage/native_file_system_win32.cpp storage/recording_thread.cpp)
gtest_main=("$gtest/src/gtest-all.cc" "$gtest/src/gtest_main.cc")

link runtime_test "${runtime[@]}" "${gtest_main[@]}" tests/runtime/conversions_test.cpp tests/runtime/date_time_test.cpp \
  tests/runtime/local_time_test.cpp \
  tests/runtime/files_test.cpp tests/runtime/files_win32_test.cpp tests/runtime/child_process_win32.cpp \
  tests/runtime/program_paths_test.cpp tests/runtime/settings_store_test.cpp tests/runtime/texts_test.cpp
link runtime_files_child "${runtime[@]}" tests/runtime/files_child.cpp
link storage_test "${runtime[@]}" "${recording[@]}" "${gtest_main[@]}" tests/meter/recording_row_test.cpp \
  tests/storage/day_file_session_test.cpp tests/storage/fold_plan_test.cpp tests/storage/one_writer_test.cpp \
  tests/storage/power_cut_file_system.cpp tests/storage/power_cut_test.cpp
link console_recording_process_test "${runtime[@]}" "${recording[@]}" "${gtest_main[@]}" \
  tests/console/recording_process_test.cpp tests/runtime/child_process_win32.cpp
link console_recording_child "${runtime[@]}" "${recording[@]}" tests/console/recording_child.cpp
link bench_recording_disk "${runtime[@]}" "${recording[@]}" bench/recording/disk_bench.cpp bench/recording/previous_design.cpp

. scripts/wine-env.sh
wine_start "$PWD/$out/wine"
trap wine_stop EXIT
status=0
for program in runtime_test storage_test console_recording_process_test; do
  echo "== $program under wine"
  (cd "$out" && wine "$program.exe" </dev/null) || status=1
done
echo "== bench_recording_disk under wine, 86,400 rows, $seconds s per design"
(cd "$out" && wine bench_recording_disk.exe --rows 86400 --seconds "$seconds" --dir 'C:\kzrt-recording-bench' </dev/null) || status=1
linux_bench=build/bench/bench_recording_disk
if [ -x "$linux_bench" ]; then
  echo "== the same on Linux, beside it"
  "$linux_bench" --rows 86400 --seconds "$seconds" || status=1
fi
exit $status
