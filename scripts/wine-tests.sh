#!/usr/bin/env bash
# Runs the cross-built test programs under wine, one after another, with a
# fresh prefix, the offscreen platform, and the Qt and mingw runtime DLLs
# beside them. Prints passed, failed and skipped counts per program; exits
# non-zero when any test failed or a program ended without its summary.
#   scripts/wine-tests.sh BUILD_DIR QT_PREFIX [PROGRAM...]
# Without programs: every *_test.exe in BUILD_DIR except serial_win32_test,
# which needs the far end of scripts/wine-serial-check.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd) qt=$2
shift 2
. "$here/wine-env.sh"
. "$here/windows-runtime.sh"

# "passed failed skipped" from a gtest log; "- - -" when it has no summary.
counts() {
  local log=$1 passed failed skipped
  passed=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\..*/\1/p' "$log" | tail -n1)
  failed=$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below.*/\1/p' "$log" | tail -n1)
  skipped=$(sed -nE 's/^\[  SKIPPED \] ([0-9]+) tests?, listed below.*/\1/p' "$log" | tail -n1)
  if [ -z "$passed" ] && [ -z "$failed" ]; then echo "- - -"; return; fi
  echo "${passed:-0} ${failed:-0} ${skipped:-0}"
}

programs=("$@")
if [ ${#programs[@]} -eq 0 ]; then
  mapfile -t programs < <(cd "$build" && ls ./*_test.exe | sed 's|^\./||' | grep -v '^serial_win32_test.exe$')
fi
copy_windows_runtime "$build" "$qt" qoffscreen qwindows
work=$build/wine-run
wine_start "$work"
mkdir -p "$build/artifacts" "$work/logs"
# wine keeps QT_* variables of the Linux side away from Windows programs; the
# user's environment in the registry reaches them.
wine reg add 'HKCU\Environment' /v QT_QPA_PLATFORM /d offscreen /f </dev/null >/dev/null 2>&1
export KZRT_ARTIFACTS=$(winepath -w "$build/artifacts" 2>/dev/null)
status=0
printf '%-32s %7s %7s %7s %6s\n' program passed failed skipped time
for program in "${programs[@]}"; do
  log=$work/logs/${program%.exe}.log
  start=$(date +%s)
  (cd "$build" && timeout 900 wine "./$program" </dev/null >"$log" 2>&1) || true
  tr -d '\r' <"$log" >"$log.txt" && mv "$log.txt" "$log"
  read -r passed failed skipped < <(counts "$log")
  printf '%-32s %7s %7s %7s %5ss\n' "${program%.exe}" "$passed" "$failed" "$skipped" "$(( $(date +%s) - start ))"
  if [ "$passed" = "-" ] || [ "$failed" != "0" ]; then
    status=1
    grep -E '^\[  FAILED  \]|Failure|rror' "$log" | head -n 20 || tail -n 20 "$log"
  fi
done
wine_stop
exit $status
