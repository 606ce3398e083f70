#!/usr/bin/env bash
# Checks the Debian package that CPack built in <build dir> and the tree that
# `cmake --install` lays out, without touching the machine's /usr:
#   - the control fields: name, version, architecture, Depends on Qt 6, the
#     CJK font and the network outputs' libraries, and that apt can satisfy
#     them on this Debian;
#   - the exact file list, the menu entry (desktop-file-validate), the
#     AppStream data (appstreamcli validate --no-net), lintian when present;
#   - the installed programs, unpacked into a scratch root, start under the
#     offscreen platform: a menu start works in ~/KZRT and writes its settings
#     there, a HOME that takes no folder leaves the start directory, and the
#     simulator links its COM1 where it is started;
#   - kzrt-record records the simulator with no display and no platform set,
#     exports and plots the day file, and its systemd unit passes
#     `systemd-analyze verify`.
#   tests/package/check_package.sh build
set -euo pipefail
build=${1:?build directory}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$build/kzrt-console_${version}_amd64.deb"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

[ -f "$deb" ] || { echo "FAIL: no package $deb" >&2; exit 1; }

check_fields() {
  [ "$(dpkg-deb --field "$deb" Package)" = kzrt-console ] || fail "Package field"
  [ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "Version field"
  [ "$(dpkg-deb --field "$deb" Architecture)" = amd64 ] || fail "Architecture field"
  local depends
  depends=$(dpkg-deb --field "$deb" Depends)
  # The network outputs: MQTT through libmosquitto, /metrics through libmicrohttpd.
  for needed in libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 libsystemd0 libstdc++6 fonts-wqy-zenhei \
                libmosquitto1 libmicrohttpd12; do
    [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed: $depends"
  done
  pass "control fields; Depends: $depends"
}

# The files a user gets, relative to the prefix, sorted.
expected_files() {
  local id=org.kzrt.console
  printf '%s\n' bin/kzrt-console bin/kzrt-meter-sim bin/kzrt-record libexec/kzrt-record/kzrt-record-plot \
    lib/systemd/system/kzrt-record@.service share/doc/kzrt-console/examples/kzrt-record.conf \
    share/man/man1/kzrt-record.1.gz \
    "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
    "share/icons/hicolor/scalable/apps/$id.svg" \
    share/doc/kzrt-console/copyright share/doc/kzrt-console/changelog.gz \
    share/man/man1/kzrt-console.1.gz share/man/man1/kzrt-meter-sim.1.gz \
    share/kzrt-console/translations/kzrt-console_en.qm share/kzrt-console/translations/kzrt-console_zh_CN.qm
  for size in 16 24 32 48 64 128 256; do
    echo "share/icons/hicolor/${size}x${size}/apps/$id.png"
  done
}

# Regular files under a root, relative to root/<prefix>, sorted.
files_under() {  # root prefix
  (cd "$1/$2" && find . -type f | sed 's#^\./##' | LC_ALL=C sort)
}

check_contents() {
  dpkg-deb -x "$deb" "$scratch/root"
  if diff <(expected_files | LC_ALL=C sort) <(files_under "$scratch/root" usr); then
    pass "package holds exactly the expected files"
  else
    fail "package file list differs (< expected, > packaged)"
  fi
  local size png
  for size in 16 24 32 48 64 128 256; do
    png="$scratch/root/usr/share/icons/hicolor/${size}x${size}/apps/org.kzrt.console.png"
    file "$png" | grep -q "PNG image data, $size x $size," || fail "icon of ${size}x${size} is $(file -b "$png")"
  done
  dpkg-deb --contents "$deb" | awk '$2 != "root/root" { bad = 1; print "not root-owned: " $0 } END { exit bad }' ||
    fail "files not owned by root"
  desktop-file-validate "$scratch/root/usr/share/applications/org.kzrt.console.desktop" &&
    pass "desktop-file-validate" || fail "desktop-file-validate"
  appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/org.kzrt.console.metainfo.xml" >/dev/null &&
    pass "appstreamcli validate --no-net" || fail "appstreamcli validate"
}

check_lintian() {
  if ! command -v lintian >/dev/null; then echo "skip: lintian is not installed"; return; fi
  local report
  report=$(lintian --no-tag-display-limit "$deb" 2>&1 || true)
  if grep -q '^[EW]:' <<<"$report"; then
    fail "lintian errors or warnings:"; grep '^[EW]:' <<<"$report" >&2
  else
    pass "lintian: no errors or warnings"
  fi
}

# apt resolves the Depends against the archive this machine uses.
check_depends_resolve() {
  if apt-get install --simulate --no-install-recommends "$(realpath "$deb")" >"$scratch/apt.log" 2>&1; then
    pass "apt can satisfy the Depends"
  else
    fail "apt cannot satisfy the Depends:"; tail -n 5 "$scratch/apt.log" >&2
  fi
}

# Runs a program from the scratch root for two seconds: still running then
# (timeout's 124) is a start.
runs_for_a_moment() {  # directory, env assignments..., program, args...
  local dir=$1; shift
  local rc=0
  (cd "$dir" && exec timeout 2 env QT_QPA_PLATFORM=offscreen "$@") >"$scratch/run.log" 2>&1 || rc=$?
  [ "$rc" -eq 124 ] || { cat "$scratch/run.log" >&2; return 1; }
}

check_starts() {
  local bin="$scratch/root/usr/bin"
  mkdir -p "$scratch/home" "$scratch/start"
  # A menu start: ~/KZRT is created and holds the settings file.
  runs_for_a_moment "$scratch/start" HOME="$scratch/home" "$bin/kzrt-console" --home-folder &&
    [ -f "$scratch/home/KZRT/kzrt-console.ini" ] && [ ! -e "$scratch/start/kzrt-console.ini" ] &&
    pass "menu start works in ~/KZRT" || fail "menu start did not work in ~/KZRT"
  # A home that takes no folder: the console starts where it was started.
  runs_for_a_moment "$scratch/start" HOME=/proc "$bin/kzrt-console" --home-folder &&
    [ -f "$scratch/start/kzrt-console.ini" ] &&
    pass "an unwritable HOME leaves the start directory" || fail "start with an unwritable HOME"
}

# The simulator links COM1 where it is started while it runs, and removes the
# link when it is stopped.
check_simulator() {
  local dir="$scratch/sim" pid linked=no
  mkdir -p "$dir"
  (cd "$dir" && exec "$scratch/root/usr/bin/kzrt-meter-sim" --port 1) >"$scratch/sim.log" 2>&1 &
  pid=$!
  for _ in $(seq 50); do [ -L "$dir/COM1" ] && { linked=yes; break; }; sleep 0.1; done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ "$linked" = yes ] && [ ! -e "$dir/COM1" ] && pass "kzrt-meter-sim links COM1 while it runs" ||
    { fail "kzrt-meter-sim"; cat "$scratch/sim.log" >&2; }
}

# The recorder from the package: two seconds of the simulator recorded with
# no display and no platform named, then exported and plotted; the log names
# the start and the stop.
check_recorder() {
  local dir="$scratch/record" bin="$scratch/root/usr/bin" pid day
  mkdir -p "$dir"
  (cd "$dir" && exec "$bin/kzrt-meter-sim" --port 1 --fps 10) >"$scratch/sim.log" 2>&1 &
  pid=$!
  for _ in $(seq 50); do [ -L "$dir/COM1" ] && break; sleep 0.1; done
  (cd "$dir" && env -u DISPLAY -u QT_QPA_PLATFORM "$bin/kzrt-record" --duration 2 --dir rows 1) \
    >"$scratch/record.out" 2>"$scratch/record.log" || true
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  day=$(find "$dir/rows" -name 'KZRT*.csv' | head -n 1)
  if [ -n "$day" ] && grep -q 'kzrt-record: start 1 ' "$scratch/record.log" &&
     grep -q 'stopped_by=duration' "$scratch/record.out"; then
    pass "kzrt-record records the simulator: $(basename "$day")"
    if ldd "$bin/kzrt-record" | grep -q 'libQt6Gui'; then fail "kzrt-record links Qt Gui"
    else pass "kzrt-record links Qt Core only"; fi
  else
    fail "kzrt-record did not record"; cat "$scratch/record.log" >&2; return
  fi
  env -u DISPLAY -u QT_QPA_PLATFORM "$bin/kzrt-record" export "$day" -o "$scratch/day.csv" &&
    head -n 1 "$scratch/day.csv" | grep -q '^time,voltage_V,' && [ "$(wc -l <"$scratch/day.csv")" -ge 2 ] &&
    pass "kzrt-record export" || fail "kzrt-record export"
  env -u DISPLAY -u QT_QPA_PLATFORM "$bin/kzrt-record" plot "$day" -o "$scratch/day.png" &&
    file "$scratch/day.png" | grep -q 'PNG image data' && pass "kzrt-record plot, without a display" ||
    fail "kzrt-record plot"
}

# The unit as packaged, its ExecStart pointed at the unpacked program (the
# machine has none installed); any complaint at all fails.
check_unit() {
  local units="$scratch/units" report
  mkdir -p "$units"
  sed "s#/usr/bin/kzrt-record#$scratch/root/usr/bin/kzrt-record#" \
    "$scratch/root/usr/lib/systemd/system/kzrt-record@.service" >"$units/kzrt-record@bench.service"
  if report=$(systemd-analyze verify --man=no "$units/kzrt-record@bench.service" 2>&1) && [ -z "$report" ]; then
    pass "systemd-analyze verify kzrt-record@.service"
  else
    fail "systemd-analyze verify: $report"
  fi
}

# `cmake --install` into any prefix lays out the same files.
check_cmake_install() {
  local prefix="$scratch/prefix/opt/kzrt"
  cmake --install "$build" --prefix "$prefix" >/dev/null
  if diff <(expected_files | LC_ALL=C sort) <(files_under "$prefix" .); then
    pass "cmake --install --prefix lays out the same files"
  else
    fail "cmake --install file list differs"
  fi
}

check_fields
check_contents
check_lintian
check_depends_resolve
check_starts
check_simulator
check_recorder
check_unit
check_cmake_install
[ "$failures" -eq 0 ] || { echo "check-package: $failures failure(s)" >&2; exit 1; }
echo "check-package: $deb passes"
