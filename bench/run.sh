#!/usr/bin/env bash
# Times velmora-scan against getfattr doing the same work (list every entry's user.* attributes,
# which is how ntfs-3g shows named streams) on the same mounted NTFS volume, interleaved, and
# prints both medians and their ratio.
#   bench/run.sh [ENTRIES] [ROUNDS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
entries=${1:-20000}
rounds=${2:-7}

"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" release >/dev/null
scanner="$top/build/release/cli/velmora-scan"

. "$top/scripts/ntfs-volume.sh"
work=$(mktemp -d /tmp/velmora-bench-XXXXXX)
trap 'unmount_ntfs_volume "$work"' EXIT
make_ntfs_volume "$work" 256
echo "filling the volume with $entries entries..."
python3 "$top/bench/make-tree.py" "$work/mnt" "$entries" >/dev/null
mnt="$work/mnt"

"$scanner" "$mnt" | tail -2 || true
python3 "$top/bench/compare.py" "$rounds" "$scanner"$'\x1f'"$mnt" getfattr$'\x1f'-R$'\x1f'-m$'\x1f''^user\.'$'\x1f'"$mnt"
