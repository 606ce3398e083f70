# Sourced by the scripts that run Windows programs under wine: a fresh prefix
# per run, no debug chatter, a wineserver started first and ended last (a
# wineserver started by the first program would inherit its output pipe and
# keep the caller waiting).
#   wine_start DIR          creates the prefix in DIR/prefix and starts the server
#   wine_map_port N DEVICE  maps COMn to DEVICE (a pty slave) and restarts the server
#   wine_stop               ends the server
wine_start() {
  export WINEPREFIX=$1/prefix WINEDEBUG=${KZRT_WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
  rm -rf "$WINEPREFIX"
  mkdir -p "$1"
  # The first start creates the prefix (its wineserver has no pipe of ours).
  wineboot -i </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1
}

# wine's mount manager rewrites dosdevices/com1..com4 from the machine's
# /dev/ttyS* at each start, so the mapping goes into the registry.
wine_map_port() {
  wine reg add 'HKLM\Software\Wine\Ports' /v "COM$1" /d "$2" /f </dev/null >/dev/null 2>&1
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1
}

wine_stop() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
}

# The bundled meter simulator streaming on a pseudo-terminal linked as
# DIR/COM1, mapped as COM1 for the wine prefix. Its id goes onto the caller's
# `pids` array.
#   wine_simulated_meter DIR LINUX_BUILD_DIR
wine_simulated_meter() {
  local dir=$1 linux=$2
  rm -rf "$dir" && mkdir -p "$dir"
  (cd "$dir" && exec "$linux/kzrt-meter-sim" --port 1 >sim.log 2>&1) & pids+=($!)
  for _ in $(seq 100); do [ -L "$dir/COM1" ] && break; sleep 0.1; done
  wine_map_port 1 "$(readlink "$dir/COM1")"
}

# A fresh prefix in WORK, a copy of the program folder as WORK/NAME-app (its
# path in `app`), the simulated meter on COM1, and the modem lines at rest in
# WORK/NAME-modem-lines.
#   wine_app_on_simulated_meter WORK NAME APP_FOLDER LINUX_BUILD_DIR
wine_app_on_simulated_meter() {
  local work=$1 name=$2
  mkdir -p "$work"
  wine_start "$work"
  app=$work/$name-app
  rm -rf "$app" && cp -r "$3" "$app"
  wine_simulated_meter "$work/$name-sim" "$4"
  echo 0 >"$work/$name-modem-lines"
}
