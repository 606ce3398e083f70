#!/usr/bin/env bash
# The Windows installer of a laid-out program folder (scripts/package-windows.sh),
# made with NSIS from packaging/windows/kzrt-console.nsi.
#   scripts/make-installer.sh FOLDER VERSION SETUP_EXE
set -euo pipefail
cd "$(dirname "$0")/.."
# makensis works in the script's folder: every path it gets is absolute.
folder=$(cd "$1" && pwd) version=$2 setup=$(realpath -m "$3")

# What the uninstaller removes: exactly the files installed, then their
# folders where they are left empty.
files=$(mktemp --suffix=.nsh)
trap 'rm -f "$files"' EXIT
{
  (cd "$folder" && find . -type f | sort) | sed 's|^\./||; s|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|'
  (cd "$folder" && find . -mindepth 1 -type d | sort -r) | sed 's|^\./||; s|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|'
} >"$files"
makensis -V2 -DVERSION="$version" -DSOURCE="$folder" -DFILES="$files" -DOUTFILE="$setup" \
  -DSIZE_KB="$(du -sk "$folder" | cut -f1)" packaging/windows/kzrt-console.nsi >&2
