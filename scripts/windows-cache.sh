# Sourced by the scripts that cross-build a library for Windows from Debian's
# own source package into a cache folder outside the tree. Each build is kept
# under a folder named after the library and its version, with the options it
# was built with in a stamp file: a changed version or option set builds again,
# anything else is reused, so only the first run on a machine pays.
#   windows_cache                        the cache folder (KZRT_QT_WIN_CACHE, default ~/.cache/kzrt-console)
#   source_version DEV_PACKAGE           the source version of an installed package, which the Linux build uses
#   cache_begin LABEL NAME VERSION STAMP sets `prefix` and `work` (NAME-VERSION-mingw64, NAME-VERSION-work);
#                                        when the cache holds a complete build made with STAMP, says so,
#                                        prints the prefix and ends the script
#   cache_reusable PREFIX STAMP          true when PREFIX holds a complete build made with STAMP
#   cache_complete PREFIX STAMP          marks PREFIX complete
#   fetch_debian_source SOURCE VERSION WORK
#                                        unpacks Debian's source package SOURCE into WORK (once) and prints
#                                        its folder; when the mirror no longer carries VERSION (a security
#                                        update replaced it), the newest version it does carry
#   build_jobs                           parallel jobs for make/ninja (KZRT_JOBS, default the core count)
windows_cache() { echo "${KZRT_QT_WIN_CACHE:-${HOME:-/tmp}/.cache/kzrt-console}"; }

source_version() { dpkg-query -W -f='${source:Version}' "$1"; }

build_jobs() { echo "${KZRT_JOBS:-$(nproc 2>/dev/null || echo 2)}"; }

cache_reusable() { [ -f "$1/.complete" ] && [ "$(cat "$1/.complete")" = "$2" ]; }

cache_begin() {
  local label=$1 name=$2 version=$3 stamp=$4 cache
  cache=$(windows_cache)
  prefix=$cache/$name-$version-mingw64
  work=$cache/$name-$version-work
  if cache_reusable "$prefix" "$stamp"; then
    echo "$label $version for Windows: reusing $prefix"
    echo "$prefix"
    exit 0
  fi
  rm -rf "$prefix"
  mkdir -p "$work"
}

cache_complete() { printf '%s\n' "$2" >"$1/.complete"; }

# The machine's Debian mirrors, read from its apt sources (both the one-line
# and the deb822 forms): the main archive first, then the security archive.
debian_mirrors() {
  (grep -hE '^\s*URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}'
   grep -hE '^\s*deb\s' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
     sed -E 's/\[[^]]*\]//' | awk '{print $2}') | awk '!seen[$0]++'
}

# apt-get source through a private source list and private state, so the
# machine's own apt configuration is left untouched.
fetch_debian_source() {
  local source=$1 version=$2 work=$3 apt=$3/apt suite main security dir
  dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "$source-[0-9]*" 2>/dev/null | head -n1)
  if [ -n "$dir" ] && [ -f "$dir/debian/changelog" ]; then echo "$dir"; return; fi
  main=$(debian_mirrors | grep -v security | head -n1 || true)
  security=$(debian_mirrors | grep security | head -n1 || true)
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  [ -n "$main" ] || { echo "fetch_debian_source: no Debian mirror in the apt sources" >&2; return 1; }
  mkdir -p "$apt/lists/partial" "$apt/archives/partial"
  {
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $main $suite main"
    [ -z "$security" ] || echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $security $suite-security main"
  } >"$apt/sources.list"
  local opts=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
              -o Dir::State::Lists="$apt/lists" -o Dir::Cache::Archives="$apt/archives"
              -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
  apt-get "${opts[@]}" update -qq >&2
  local candidate
  for candidate in "$version" $(apt-cache "${opts[@]}" showsrc "$source" | sed -n 's/^Version: //p' | sort -rV); do
    (cd "$work" && apt-get "${opts[@]}" source -qq "$source=$candidate" >/dev/null 2>&1) || continue
    find "$work" -mindepth 1 -maxdepth 1 -type d -name "$source-[0-9]*" | head -n1
    return
  done
  echo "fetch_debian_source: no version of $source could be fetched from $main" >&2
  return 1
}
