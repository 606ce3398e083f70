#!/usr/bin/env bash
# Lays out the folder a Windows user unzips and runs, and zips it:
# kzrt-console.exe, kzrt-record.exe and its plot helper, the Qt DLLs,
# platforms/qwindows.dll, the styles, the network libraries and the mingw
# runtime.
# Then the installer of the same folder, kzrt-console-<version>-setup.exe
# (scripts/make-installer.sh).
#   scripts/package-windows.sh BUILD_DIR QT_PREFIX     prints the installer's path, then the zip's
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-runtime.sh
build=$1 qt=$2
version=$(sed -nE 's/^project\(kzrt-console .*VERSION ([0-9.]+)\).*/\1/p' CMakeLists.txt)
name=kzrt-console-$version-win64
folder=$build/$name

rm -rf "$folder" "$build/$name.zip"
mkdir -p "$folder"
cp "$build/kzrt-console.exe" "$build/kzrt-record.exe" "$build/kzrt-record-plot.exe" "$folder/"
copy_windows_runtime "$folder" "$qt"
# The network outputs' libraries (libmosquitto, OpenSSL, libmicrohttpd), which
# the build put beside the programs.
while read -r dll; do [ -z "$dll" ] || cp "$build/$dll" "$folder/"; done <"$build/network-dlls.txt"
# The recorder's SVG plots, where Qt for Windows was built with Qt SVG.
[ ! -f "$qt/bin/Qt6Svg.dll" ] || cp "$qt/bin/Qt6Svg.dll" "$folder/"
x86_64-w64-mingw32-strip "$folder"/*.exe "$folder"/*.dll "$folder"/*/*.dll
(cd "$build" && zip -q -r -9 "$name.zip" "$name")

setup=$build/kzrt-console-$version-setup.exe
scripts/make-installer.sh "$folder" "$version" "$setup"
echo "$setup"
echo "$build/$name.zip"
