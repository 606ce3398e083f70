#!/usr/bin/env bash
# The installer under wine, in a fresh prefix, on a virtual X display:
#   an older version (with a file the new one lacks) installed silently;
#   the Start-menu shortcut's target, arguments and working folder;
#   the console started as the shortcut starts it records a row into the
#   profile's KZRT folder (settings file and day file);
#   the upgrade keeps them and leaves none of the old version's files;
#   a setup over a running console, and a second setup beside a first, say so
#   (exit 3) and change nothing;
#   the silent uninstall removes the programs, the shortcuts and the
#   Apps & features entry, keeps the day file, and leaves Program Files clean.
#   scripts/wine-installer-check.sh APP_FOLDER SETUP_EXE LINUX_BUILD_DIR PRELOAD_LIBRARY WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
folder=$(cd "$1" && pwd) setup=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
linux=$(cd "$3" && pwd) preload=$4 work=$5
. "$here/wine-env.sh"
. "$here/wine-console-ui.sh"
product="KZRT Console"
version=$(basename "$setup" | sed -E 's/^kzrt-console-(.*)-setup\.exe$/\1/')
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KZRT Console'

display=:$(( 80 + RANDOM % 9 ))
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wine_stop; }
trap cleanup EXIT
mkdir -p "$work"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
export DISPLAY=$display
wine_start "$work"
drive=$WINEPREFIX/drive_c
programs="$drive/Program Files/$product"
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/$product"
profile="$drive/users/$(id -un)/KZRT"

failures=0
check() {  # description, command...
  if "${@:2}"; then echo "  ok: $1"; else echo "  FAILED: $1"; failures=$((failures + 1)); fi
}
setup_exit() {  # setup [argument...]: its exit code
  local rc=0
  wine "$@" </dev/null >/dev/null 2>&1 || rc=$?
  echo "$rc"
}
registry() { wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v name="$1" '$1 == name {$1 = $2 = ""; sub(/^ +/, ""); print}'; }
shortcut() { lnkinfo "$menu/$1" 2>/dev/null | sed -nE "s/^\s*$2\s*:\s*(.*)$/\1/p"; }
tree_sum() { (cd "$programs" && find . -type f -exec md5sum {} + | sort -k2) 2>/dev/null | md5sum; }
# The setup stops, changes nothing, and says so by its exit code, while the
# process PID (a console, another setup) runs; then PID is ended.
refused_beside() {  # pid
  local before
  before=$(tree_sum)
  check "refused with exit 3" test "$(setup_exit "$setup" /S)" = 3
  check "nothing replaced" test "$(tree_sum)" = "$before"
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
console_pid=""
start_as_shortcut() {  # the console from the shortcut's working folder, target and arguments
  local target arguments folder
  target=$(shortcut "$product.lnk" "Local path") arguments=$(shortcut "$product.lnk" "Command line arguments")
  folder=$(winepath -u "$(shortcut "$product.lnk" "Working directory")")
  # shellcheck disable=SC2086
  (cd "$folder" && KZRT_MODEM_LINES=$work/modem-lines LD_PRELOAD=$preload \
     exec wine "$target" $arguments >"$work/console.log" 2>&1) &
  console_pid=$!
  pids+=("$console_pid")
}

echo "== an older version, silently"
old=$work/old/kzrt-console-1.9.0-win64
rm -rf "$work/old" && mkdir -p "$work/old" && cp -r "$folder" "$old" && echo old >"$old/only-in-1.9.0.txt"
"$here/make-installer.sh" "$old" 1.9.0 "$work/old/kzrt-console-1.9.0-setup.exe"
check "installs with exit 0" test "$(setup_exit "$work/old/kzrt-console-1.9.0-setup.exe" /S)" = 0
check "Apps & features: version and publisher" \
  test "$(registry DisplayVersion)/$(registry Publisher)" = "1.9.0/kzrt-console maintainers"

echo "== the Start-menu shortcut"
check "target" test "$(shortcut "$product.lnk" "Local path")" = "C:\\Program Files\\$product\\kzrt-console.exe"
check "arguments" test "$(shortcut "$product.lnk" "Command line arguments")" = "--home-folder"
check "working folder" test "$(shortcut "$product.lnk" "Working directory")" = "C:\\Program Files\\$product"
check "the uninstaller's entry" test "$(shortcut "Uninstall $product.lnk" "Local path")" = "C:\\Program Files\\$product\\uninstall.exe"

echo "== the console as the shortcut starts it"
wine_simulated_meter "$work/sim" "$linux"
echo 0 >"$work/modem-lines"
start_as_shortcut
window=$(wait_for_window "$(date +%s.%N)" | cut -d' ' -f1 || true)
check "the console's window appears" test -n "$window"
[ -z "$window" ] || check "the port opens" test "$(open_port_and_record "$window")" = "0 255 0"
sleep 3
check "settings in the profile's KZRT folder" test -f "$profile/kzrt-console.ini"
day=$(cd "$profile" 2>/dev/null && ls KZRT*.csv 2>/dev/null | head -n1 || true)
check "a day file with a row there" eval "[ -n '$day' ] && [ \$(wc -l <'$profile/$day') -ge 2 ]"
check "nothing written into Program Files" eval "! ls '$programs' | grep -qiE '\\.(csv|ini)$'"

echo "== a setup over the running console"
refused_beside "$console_pid"

echo "== a second setup beside a first"
(exec wine "$setup" </dev/null >/dev/null 2>&1) & first=$!
pids+=("$first")
for _ in $(seq 200); do xdotool search --onlyvisible --name "$product" >/dev/null 2>&1 && break; sleep 0.1; done
refused_beside "$first"

echo "== the upgrade, silently"
check "installs with exit 0" test "$(setup_exit "$setup" /S)" = 0
check "Apps & features: the new version" test "$(registry DisplayVersion)" = "$version"
check "the old version's own file is gone" test ! -e "$programs/only-in-1.9.0.txt"
check "every file is the new one's" \
  test "$(cd "$programs" && find . -type f ! -name uninstall.exe | sort)" = "$(cd "$folder" && find . -type f | sort)"
check "settings and day file kept" test -f "$profile/kzrt-console.ini" -a -f "$profile/$day"

echo "== the uninstall, silently"
check "uninstalls with exit 0" test "$(setup_exit "C:\\Program Files\\$product\\uninstall.exe" /S)" = 0
# The uninstaller runs on from a copy of itself in the temporary folder.
for _ in $(seq 100); do [ -e "$programs" ] || break; sleep 0.2; done
check "no file left in Program Files" test ! -e "$programs"
check "the Start-menu entries are gone" test ! -e "$menu"
check "the Apps & features entry is gone" test -z "$(registry DisplayName)"
check "the day file and the settings are kept" test -f "$profile/$day" -a -f "$profile/kzrt-console.ini"

[ "$failures" -eq 0 ] && echo "installer under wine: passed" || { echo "installer under wine: $failures FAILED"; exit 1; }
