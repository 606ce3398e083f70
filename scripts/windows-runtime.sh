# Sourced by the scripts that lay out Windows programs: what a program built
# here needs beside it to run.
#   copy_windows_runtime DIR QT_PREFIX [PLATFORM_PLUGIN...]
# copies the Qt DLLs, the named platform plugins (qwindows when none), the
# styles and the mingw runtime into DIR.
copy_windows_runtime() {
  local dir=$1 qt=$2 gcc_dir plugin
  shift 2
  [ $# -gt 0 ] || set -- qwindows
  gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
  mkdir -p "$dir/platforms" "$dir/styles"
  cp -u "$qt"/bin/Qt6{Core,Gui,Widgets}.dll "$gcc_dir"/{libgcc_s_seh-1,libstdc++-6}.dll \
        /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$dir/"
  for plugin in "$@"; do cp -u "$qt/plugins/platforms/$plugin.dll" "$dir/platforms/"; done
  cp -u "$qt"/plugins/styles/*.dll "$dir/styles/"
}
