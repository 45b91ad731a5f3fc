#!/usr/bin/env bash
# Makes a small NTFS volume with a few alternate data streams, mounts it in a temporary folder,
# and opens the dialog program on it when a display answers (press Start), or scans it with
# velmora-scan in the terminal when none does (or with --console). Unmounts it on exit.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

scripts/install-deps.sh
scripts/build.sh release >/dev/null

. scripts/ntfs-volume.sh
demo=$(mktemp -d /tmp/velmora-demo-XXXXXX)
trap 'unmount_ntfs_volume "$demo"' EXIT
make_ntfs_volume "$demo" 16
scripts/fill-demo-volume.sh "$demo/mnt"

echo "Demo NTFS volume mounted at $demo/mnt:"
build/release/cli/velmora-scan --list | grep -F "$demo/mnt" || true
echo

display_answers() {
  [ -n "${DISPLAY:-}" ] && [ -x build/release/app/velmora ] && xdotool getdisplaygeometry >/dev/null 2>&1
}

set +e
if [ "${1:-}" != "--console" ] && display_answers; then
  echo "Opening the dialog on $DISPLAY: pick the demo volume's drive (or the first entry) and press Start."
  echo "The volume is unmounted when the dialog closes."
  build/release/app/velmora
else
  build/release/cli/velmora-scan "$demo/mnt"
  echo "(exit status $?)"
fi
