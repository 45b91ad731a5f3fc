#!/usr/bin/env bash
# Takes docs/velmora-linux.png: the dialog after a scan of the demo NTFS volume, on a private
# Xvfb screen, driven with keys as a person would (Space on Start, Enter on the summary box).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
out=${1:-docs/velmora-linux.png}

scripts/install-deps.sh
scripts/build.sh release >/dev/null

. scripts/ntfs-volume.sh
. scripts/xvfb-screen.sh
work=$(mktemp -d /tmp/velmora-shot-XXXXXX)
app_pid=""
finish() {
  [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
  stop_screen
  unmount_ntfs_volume "$work/demo"
  rm -rf "$work"
}
trap finish EXIT

make_ntfs_volume "$work/demo" 16
scripts/fill-demo-volume.sh "$work/demo/mnt"
start_screen "$work/screen"

build/release/app/velmora >"$work/velmora.log" 2>&1 &
app_pid=$!
dialog=$(wait_for_windows "$app_pid" 1) || { cat "$work/velmora.log" >&2; exit 1; }

# Start has the focus when the dialog opens; the first entry scans every local NTFS drive.
xdotool windowfocus "$dialog" 2>/dev/null || true
xdotool key space
# The summary box ends the scan; Enter dismisses it.
wait_for_windows "$app_pid" 2 >/dev/null || { echo "no summary box appeared" >&2; exit 1; }
xdotool key Return
wait_for_windows "$app_pid" 1 >/dev/null
xdotool mousemove 0 0
sleep 1 # the last repaint

mkdir -p "$(dirname "$out")"
take_shot "$dialog" "$out"
echo "wrote $out"
