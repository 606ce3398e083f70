#!/usr/bin/env bash
# Cross-compiles the look-back's core (reading day files, spans across days,
# the folder listing, the export) with mingw-w64 and runs its tests under
# wine: the span options on Windows paths, with a meter's folder named in
# Chinese. No Qt is needed for this part.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build-win32-lookback
cxx=x86_64-w64-mingw32-g++-posix
command -v ccache >/dev/null && cxx="ccache $cxx"
gtest=/usr/src/googletest/googletest
flags=(-std=c++20 -O2 -Wall -Wextra -Wno-missing-field-initializers -I. -I"$gtest/include" -I"$gtest"
       -D_WIN32_WINNT=0x0601)
mkdir -p "$out/obj"

# The folders the look-back stands on, each file once, Windows halves only.
sources=()
for folder in runtime storage meter; do
  [ -d "$folder" ] || continue
  for src in "$folder"/*.cpp; do
    case "$src" in *_posix.cpp) continue ;; esac
    sources+=("$src")
  done
done
sources+=(lookback/day_file_io.cpp lookback/day_file_list.cpp lookback/day_file_reader.cpp lookback/export_csv.cpp
          lookback/plot_json.cpp lookback/plot_series.cpp lookback/span_arguments.cpp lookback/span_join.cpp
          lookback/time_span.cpp tests/lookback/span_join_test.cpp "$gtest/src/gtest-all.cc" "$gtest/src/gtest_main.cc")

objects=()
for src in "${sources[@]}"; do
  obj="$out/obj/$(echo "${src%.*}" | tr / _).o"
  if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] || find runtime storage meter lookback tests/lookback -name '*.h' -newer "$obj" 2>/dev/null | grep -q .; then
    $cxx "${flags[@]}" -c "$src" -o "$obj"
  fi
  objects+=("$obj")
done
$cxx -static -o "$out/lookback_test.exe" "${objects[@]}"
echo "  built $out/lookback_test.exe"

. scripts/wine-env.sh
wine_start "$PWD/$out/wine"
trap wine_stop EXIT
echo "== lookback_test under wine"
(cd "$out" && wine lookback_test.exe </dev/null)
