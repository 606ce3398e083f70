#!/bin/bash
# Runs bench_recording_disk on a file system of its own: an ext4 image on a
# loop device with direct I/O (so the image's own page cache does not soak up
# the writes), whose block counter then counts only the recording's writes.
# With --bps the device's writes are throttled by the block-I/O cgroup, as a
# slow SD card or USB stick would be: cgroup v1's
# blkio.throttle.write_bps_device of the root group (which the flusher threads
# are in too), or io.max where cgroup v2 has it. Needs root.
#
#   bench/recording/throttled_disk.sh [--bps BYTES_PER_SECOND] [bench options ...]
#   e.g. bench/recording/throttled_disk.sh --bps 2097152 --rows 86400 --seconds 300
set -euo pipefail
bench=${BENCH:-$(dirname "$0")/../../build/bench/bench_recording_disk}
bps=0
if [[ ${1:-} == --bps ]]; then
  bps=$2
  shift 2
fi
[[ $(id -u) == 0 ]] || { echo "needs root (losetup, mount, cgroup limits)" >&2; exit 1; }

image=$(mktemp /var/tmp/kzrt-recording-disk.XXXXXX)
truncate -s 1G "$image"
loop=$(losetup --direct-io=on -f --show "$image")
device=$(basename "$loop")
majmin=$(cat "/sys/block/$device/dev")
mountpoint=$(mktemp -d)
limit=""
cleanup() {
  if [[ -n $limit ]]; then
    if [[ $limit == */io.max ]]; then echo "$majmin wbps=max" >"$limit"; else echo "$majmin 0" >"$limit"; fi
  fi
  umount "$mountpoint" 2>/dev/null || true
  rmdir "$mountpoint"
  losetup -d "$loop"
  rm -f "$image"
}
trap cleanup EXIT
mkfs.ext4 -q "$loop"
mount "$loop" "$mountpoint"

if [[ $bps != 0 ]]; then
  if [[ -f /sys/fs/cgroup/blkio/blkio.throttle.write_bps_device ]]; then
    limit=/sys/fs/cgroup/blkio/blkio.throttle.write_bps_device
    echo "$majmin $bps" >"$limit"
  elif [[ -f /sys/fs/cgroup/cgroup.controllers ]]; then
    group=/sys/fs/cgroup/kzrt-recording-bench
    mkdir -p "$group"
    echo "+io" >/sys/fs/cgroup/cgroup.subtree_control
    limit=$group/io.max
    echo "$majmin wbps=$bps" >"$limit"
    echo $$ >"$group/cgroup.procs"
  else
    echo "no block-I/O cgroup to throttle with" >&2
    exit 1
  fi
  echo "writes to $loop throttled to $bps bytes/s through $limit"
fi
echo "ext4 on $loop (direct I/O), mounted at $mountpoint"
"$bench" --dir "$mountpoint" --device "$device" "$@"
