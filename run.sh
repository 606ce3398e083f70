#!/usr/bin/env bash
# Installs what is missing, builds, and starts the console beside the bundled
# meter simulator, so "打开串口" on COM 1 shows live readings without hardware.
#   ./run.sh            console + simulator
#   ./run.sh --no-sim   console only (a real meter; see README)
set -euo pipefail
cd "$(dirname "$0")"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No graphical display is available here (DISPLAY is not set); run ./run.sh from a desktop session, or under a virtual display with: sudo apt-get install -y xvfb xauth && xvfb-run -a ./run.sh" >&2
  exit 1
fi

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"

# The console keeps its settings (kzrt-console.ini) and looks for COMn links in
# its working directory; give it one of its own.
workdir=build/session
mkdir -p "$workdir"
cd "$workdir"

sim_pid=""
if [ "${1:-}" != "--no-sim" ]; then
  ../kzrt-meter-sim --port 1 --baud 2400 --profile battery &
  sim_pid=$!
  trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; wait 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -e COM1 ] && break; sleep 0.1; done
  echo "Meter simulator running on COM1 ($(readlink COM1)). Click 打开串口 with port 1 selected."
fi
../kzrt-console
