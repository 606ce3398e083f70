#!/usr/bin/env bash
# kzrt-console.exe under wine on a virtual X display, against the bundled
# meter simulator's pseudo-terminal mapped as COM1: the window's client size,
# the lamp after 打开串口, a recording row beside the .exe, the rows published
# through the settings file's [Publish] section to Debian's mosquitto on the
# Linux side, and a screenshot.
# Then the Linux build starts under the same display, for the start-up time.
#   scripts/wine-console-check.sh APP_FOLDER LINUX_BUILD_DIR PRELOAD_LIBRARY WORK_DIR ARTIFACTS_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
app_src=$1 linux=$(cd "$2" && pwd) preload=$3 work=$4 artifacts=$5
. "$here/wine-env.sh"
. "$here/local-broker.sh"
. "$here/wine-console-ui.sh"
client_width=675 client_height=595  # 683 x 622 with a classic frame

display=:$(( 90 + RANDOM % 9 ))
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wine_stop; }
trap cleanup EXIT

mkdir -p "$work" "$artifacts"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
export DISPLAY=$display
wine_start "$work"
app=$work/app
rm -rf "$app" && cp -r "$app_src" "$app"
wine_simulated_meter "$work/sim" "$linux"
broker=$(free_port)
broker_start "$work/broker" "$broker"
subscribe "$work/published.txt" "$broker" -t 'kzrt/#'
# The settings a first start writes, and a [Publish] section.
printf '[KZRT]\r\nPort=1\r\nBaud=2400\r\nParity=Even\r\nSecond=1\r\nGraph=1\r\n\r\n[Publish]\r\nMQTT=mqtt://127.0.0.1:%s\r\n' \
  "$broker" >"$app/kzrt-console.ini"
echo 0 >"$work/modem-lines"

start=$(date +%s.%N)
(cd "$app" && KZRT_MODEM_LINES=$work/modem-lines LD_PRELOAD=$preload exec wine ./kzrt-console.exe >"$work/console.log" 2>&1) & pids+=($!)
read -r window wine_seconds < <(wait_for_window "$start")
lamp=$(open_port_and_record "$window")
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "window: ${WIDTH}x${HEIGHT} at $X,$Y (client size wanted ${client_width}x${client_height})"
echo "start to window under wine: ${wine_seconds} s"
echo "lamp after opening: $lamp"
sleep 3
xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$artifacts/console-under-wine.png"
day=$(ls "$app"/KZRT*.csv 2>/dev/null | head -n1 || true)
echo "day file beside the .exe: ${day:-none}"
[ -n "$day" ] && iconv -f GBK -t UTF-8 "$day" | head -n 3
published=$(grep -c '^0 kzrt/COM1/state {' "$work/published.txt" || true)
echo "states published through [Publish]: $published"
kill "${pids[-1]}" 2>/dev/null || true
wine_stop

start=$(date +%s.%N)
(cd "$work/sim" && QT_QPA_PLATFORM=xcb exec "$linux/kzrt-console" >"$work/linux-console.log" 2>&1) & pids+=($!)
read -r _ linux_seconds < <(wait_for_window "$start")
echo "start to window, Linux build: ${linux_seconds} s"

ok=1
[ "$WIDTH" = "$client_width" ] && [ "$HEIGHT" = "$client_height" ] || ok=0
[ "$lamp" = "0 255 0" ] || ok=0
[ -n "$day" ] || ok=0
[ "$published" -ge 1 ] || ok=0
[ "$ok" = 1 ] && echo "console under wine: passed" || { echo "console under wine: FAILED"; exit 1; }
