#!/usr/bin/env bash
# Builds everything and runs every test: the Linux build, the same tests under AddressSanitizer
# and UndefinedBehaviorSanitizer, and the Windows build under Wine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

scripts/install-deps.sh

. scripts/ntfs-volume.sh
# Volumes a killed test run left mounted would take drive letters from the tests.
for stale in $(grep -oE ' /tmp/vlm-ntfs-[A-Za-z0-9]+/mnt ' /proc/self/mountinfo || true); do
  umount "$stale" 2>/dev/null || umount -l "$stale" 2>/dev/null || true
done

# The engine tests need real NTFS volumes: fail loudly here rather than skip them.
probe=$(mktemp -d /tmp/velmora-probe-XXXXXX)
if ! make_ntfs_volume "$probe" 8; then
  unmount_ntfs_volume "$probe"
  echo "cannot mount an NTFS volume with ntfs-3g (is /dev/fuse there?)" >&2
  exit 1
fi
unmount_ntfs_volume "$probe"

status=0
for flavour in release sanitize; do
  echo "== $flavour build"
  scripts/build.sh "$flavour"
  echo "== $flavour tests"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "build/$flavour" --output-on-failure -j2 || status=1
done

if [ -x scripts/test-windows.sh ]; then
  echo "== windows build and tests (wine)"
  scripts/test-windows.sh || status=1
fi

exit $status
