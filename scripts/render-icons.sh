#!/usr/bin/env bash
# Renders the PNG sizes of the hicolor icon from its SVG; run after editing
# packaging/icons/kzrt-console.svg and commit the PNGs with it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh librsvg2-bin
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" packaging/icons/kzrt-console.svg -o "packaging/icons/kzrt-console-$size.png"
done
