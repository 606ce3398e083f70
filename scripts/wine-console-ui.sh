# Sourced by the wine checks that drive kzrt-console.exe on a virtual X
# display with xdotool.
#   wait_for_window START_SECONDS     prints the console window's id and the seconds since START
#   screen_pixel X Y                  the colour at a screen point as "r g b"
#   open_port_and_record WINDOW       clicks 打开串口, then the record box, and prints the lamp's colour
console_title='KZRT12864'

wait_for_window() {
  local id=""
  for _ in $(seq 600); do
    id=$(xdotool search --onlyvisible --name "$console_title" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && break
    sleep 0.05
  done
  [ -n "$id" ] || { echo "no window appeared" >&2; return 1; }
  echo "$id $(echo "$(date +%s.%N) - $1" | bc)"
}

screen_pixel() {
  xwd -root -silent | xwdtopnm 2>/dev/null | pamcut -left "$1" -top "$2" -width 1 -height 1 | pnmdepth 255 | pnmtoplainpnm | tail -n1 | xargs
}

open_port_and_record() {
  local window=$1 X Y WIDTH HEIGHT SCREEN
  sleep 2  # let the first paint settle
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove --window "$window" 152 24 click 1  # 打开串口
  sleep 2
  screen_pixel $(( X + 210 )) $(( Y + 25 ))
  xdotool mousemove --window "$window" 377 25 click 1  # record box
}
