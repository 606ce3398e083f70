#!/usr/bin/env bash
# kzrt-record.exe under wine against the bundled meter simulator's
# pseudo-terminal mapped as COM1: three seconds recorded, the summary, the
# day file exported and plotted. No display is
# involved. As in the console's check, the preload library answers the
# modem-line calls wine makes on the pseudo-terminal.
#   scripts/wine-record-check.sh APP_FOLDER LINUX_BUILD_DIR PRELOAD_LIBRARY WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
app_src=$1 linux=$(cd "$2" && pwd) preload=$3 work=$4
. "$here/wine-env.sh"

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wine_stop; }
trap cleanup EXIT

mkdir -p "$work"
wine_start "$work"
app=$work/record-app
rm -rf "$app" && cp -r "$app_src" "$app"
wine_simulated_meter "$work/record-sim" "$linux"
echo 0 >"$work/record-modem-lines"

ok=1
rc=0
(cd "$app" && KZRT_MODEM_LINES=$work/record-modem-lines LD_PRELOAD=$preload \
  exec wine ./kzrt-record.exe --duration 3 --dir rows --summary summary.json COM1) \
  >"$work/record.out" 2>"$work/record.log" || rc=$?
tr -d '\r' <"$work/record.log"
tr -d '\r' <"$work/record.out"
[ "$rc" -eq 0 ] || { echo "kzrt-record.exe exited $rc"; ok=0; }
grep -q '"stopped_by": "duration"' "$app/summary.json" 2>/dev/null || { echo "no summary"; ok=0; }
day=$(ls "$app"/rows/KZRT*.csv 2>/dev/null | head -n1 || true)
echo "day file: ${day:-none}"
if [ -n "$day" ]; then
  iconv -f GBK -t UTF-8 "$day" | head -n 3
  # Readings, not only the zeroes of a meter that is away.
  live=$(iconv -f GBK -t UTF-8 "$day" | tail -n +2 | awk -F, '$2 != "0"' | wc -l)
  echo "rows with readings: $live"
  [ "$live" -ge 2 ] || ok=0
  grep -q '"device_losses": 0' "$app/summary.json" || { echo "the device was lost"; ok=0; }
  (cd "$app" && wine ./kzrt-record.exe export "rows/$(basename "$day")" -o day.csv) >/dev/null 2>&1 || ok=0
  rows=$(grep -c ',V\?' "$app/day.csv" 2>/dev/null || echo 0)
  echo "exported lines: $rows"
  [ "$rows" -ge 3 ] || ok=0
  (cd "$app" && wine ./kzrt-record.exe plot "rows/$(basename "$day")" -o day.png) >/dev/null 2>&1 || ok=0
  file "$app/day.png" | grep -q 'PNG image data' || { echo "no plot"; ok=0; }
else
  ok=0
fi
[ "$ok" = 1 ] && echo "recorder under wine: passed" || { echo "recorder under wine: FAILED"; exit 1; }
