#!/usr/bin/env bash
# Lays out the folder a Windows user unzips and runs, and zips it:
# kzrt-console.exe, the Qt DLLs, platforms/qwindows.dll, the styles and the
# mingw runtime.
#   scripts/package-windows.sh BUILD_DIR QT_PREFIX     prints the zip's path
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1 qt=$2
version=$(sed -nE 's/^project\(kzrt-console .*VERSION ([0-9.]+)\).*/\1/p' CMakeLists.txt)
name=kzrt-console-$version-win64
folder=$build/$name
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")

rm -rf "$folder" "$build/$name.zip"
mkdir -p "$folder/platforms" "$folder/styles"
cp "$build/kzrt-console.exe" "$folder/"
for dll in Qt6Core Qt6Gui Qt6Widgets; do cp "$qt/bin/$dll.dll" "$folder/"; done
cp "$qt/plugins/platforms/qwindows.dll" "$folder/platforms/"
cp "$qt/plugins/styles/"*.dll "$folder/styles/"
cp "$gcc_dir/libgcc_s_seh-1.dll" "$gcc_dir/libstdc++-6.dll" \
   /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$folder/"
x86_64-w64-mingw32-strip "$folder"/*.exe "$folder"/*.dll "$folder"/*/*.dll
(cd "$build" && zip -q -r -9 "$name.zip" "$name")
echo "$build/$name.zip"
