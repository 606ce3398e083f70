# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads,
# which std::thread and Qt need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
if(DEFINED KZRT_QT_WIN_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${KZRT_QT_WIN_PREFIX})
endif()
# The libraries cross-built into the cache (scripts/build-*-windows.sh), found
# through their pkg-config files and nothing of the build machine's.
if(DEFINED KZRT_WIN_LIBRARY_PREFIXES)
  list(APPEND CMAKE_FIND_ROOT_PATH ${KZRT_WIN_LIBRARY_PREFIXES})
  set(pkg_config_dirs ${KZRT_WIN_LIBRARY_PREFIXES})
  list(TRANSFORM pkg_config_dirs APPEND /lib/pkgconfig)
  list(JOIN pkg_config_dirs ":" pkg_config_dirs)
  set(ENV{PKG_CONFIG_LIBDIR} "${pkg_config_dirs}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
