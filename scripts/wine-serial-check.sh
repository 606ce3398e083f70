#!/usr/bin/env bash
# The Win32 serial engine end to end under wine: a Linux pseudo-terminal far
# end (raw mode) mapped as a COM port, and the LD_PRELOAD helper that gives
# pty slaves modem lines.
#   scripts/wine-serial-check.sh TEST_EXE FAR_END PRELOAD_LIBRARY WORK_DIR
# Prints the test's output; exits with its status.
set -euo pipefail
test_exe=$1 far_end=$2 preload=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

port=7
mkdir -p "$work"
lines=$work/modem-lines
wine_start "$work"
coproc FAR { exec "$far_end" "$lines"; }
far_pid=$FAR_PID
read -r slave <&"${FAR[0]}"
wine_map_port "$port" "$slave"
status=0
KZRT_WINE_COM=$port KZRT_MODEM_LINES=$lines LD_PRELOAD=$preload \
  timeout 300 wine "$test_exe" "${@:5}" </dev/null || status=$?
kill "$far_pid" 2>/dev/null || true
wine_stop
exit $status
