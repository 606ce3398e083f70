#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the console need.
# Only what is missing is installed; through sudo when not root.
set -euo pipefail

# The network outputs build on libmosquitto and libmicrohttpd; their tests
# start Debian's mosquitto broker, mosquitto_sub, promtool and prometheus.
# The recorder's web page embeds uPlot, fetched with npm (install-uplot.sh);
# its tests drive Debian's chromium headless, through node. The soak
# benchmark runs the recorder under libfaketime to compress a day.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          libbenchmark-dev qt6-svg-dev libsystemd-dev fonts-wqy-zenhei fonts-wqy-microhei qt6-l10n-tools xvfb
          libmosquitto-dev libmicrohttpd-dev mosquitto mosquitto-clients prometheus nodejs chromium libfaketime "$@")
# Debian's nodejs comes without npm; other node builds carry their own.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exec "$(dirname "$0")/install-uplot.sh"

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
"$(dirname "$0")/install-uplot.sh"
