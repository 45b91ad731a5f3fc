#!/usr/bin/env bash
# Makes a small NTFS volume with a few alternate data streams, mounts it in a temporary folder,
# scans it with velmora-scan and unmounts it again.
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
set +e
build/release/cli/velmora-scan "$demo/mnt"
echo "(exit status $?)"
