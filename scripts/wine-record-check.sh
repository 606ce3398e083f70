#!/usr/bin/env bash
# kzrt-record.exe under wine against the bundled meter simulator's
# pseudo-terminal mapped as COM1: three seconds recorded, the summary, the
# day file exported and plotted, and its SVG plot holding the curves of the
# Linux build's plot of the same file. No display is involved. As in the console's check, the preload library answers the
# modem-line calls wine makes on the pseudo-terminal.
#   scripts/wine-record-check.sh APP_FOLDER LINUX_BUILD_DIR PRELOAD_LIBRARY WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
app_src=$1 linux=$(cd "$2" && pwd) preload=$3 work=$4
. "$here/wine-env.sh"

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wine_stop; }
trap cleanup EXIT

# The plot area's voltage (red) and current (blue) pixels of an SVG plot,
# rasterised at the plot's own 1600x600 (Qt SVG gives its size in mm):
# "x0 y0 x1 y1 count" for each colour. Inside the frame only, so
# that axis labels in other fonts do not count.
curve_extents() {  # svg
  rsvg-convert -b white -w 1600 -h 600 "$1" | pngtopnm | pamcut -left 74 -top 38 -width 1452 -height 528 | pnmtoplainpnm |
    awk 'NR == 2 {width = $1} NR <= 3 {next}
         { for (i = 1; i <= NF; i += 3) {
             r = $i; g = $(i + 1); b = $(i + 2); x = n % width; y = int(n / width); n++
             c = (r > 200 && g < 120 && b < 120) ? "red" : (b > 200 && r < 120 && g < 120) ? "blue" : ""
             if (c == "") continue
             if (!(c in count)) { x0[c] = x; y0[c] = y; x1[c] = x; y1[c] = y }
             if (x < x0[c]) x0[c] = x; if (x > x1[c]) x1[c] = x; if (y < y0[c]) y0[c] = y; if (y > y1[c]) y1[c] = y
             count[c]++ } }
         END { for (c in count) print c, x0[c], y0[c], x1[c], y1[c], count[c] }' | sort
}

# The same curves: each colour's extents within 3 pixels, its pixel count within a fifth.
same_curves() {  # extents_a extents_b
  [ -n "$1" ] && [ "$(echo "$1" | wc -l)" = "$(echo "$2" | wc -l)" ] &&
    paste <(echo "$1") <(echo "$2") | awk '{
      for (i = 2; i <= 5; i++) if ($i - $(i + 6) > 3 || $(i + 6) - $i > 3) bad = 1
      if ($6 - $12 > $6 / 5 || $12 - $6 > $6 / 5) bad = 1 } END { exit bad }'
}

wine_app_on_simulated_meter "$work" record "$app_src" "$linux"

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
  (cd "$app" && wine ./kzrt-record.exe plot "rows/$(basename "$day")" -o day.svg) >/dev/null 2>&1 || ok=0
  "$linux/kzrt-record" plot "$day" -o "$work/linux-day.svg" >/dev/null 2>&1 || ok=0
  windows_curves=$(curve_extents "$app/day.svg" 2>/dev/null || true)
  linux_curves=$(curve_extents "$work/linux-day.svg" 2>/dev/null || true)
  printf 'SVG curves (colour x0 y0 x1 y1 pixels)\n  under wine: %s\n  Linux:      %s\n' \
    "$(echo "$windows_curves" | paste -sd';')" "$(echo "$linux_curves" | paste -sd';')"
  same_curves "$windows_curves" "$linux_curves" || { echo "the SVG plot's curves differ from Linux's"; ok=0; }
else
  ok=0
fi
[ "$ok" = 1 ] && echo "recorder under wine: passed" || { echo "recorder under wine: FAILED"; exit 1; }
