# Sourced by the scripts that need a scratch NTFS volume: make_ntfs_volume DIR SIZE_MIB mounts a
# fresh NTFS image at DIR/mnt; unmount_ntfs_volume DIR takes it down and removes DIR.

make_ntfs_volume() {
  local dir=$1 size=${2:-32}
  mkdir -p "$dir/mnt"
  truncate -s "${size}M" "$dir/volume.img"
  mkntfs -F -q -f -L Velmora "$dir/volume.img" >/dev/null 2>&1
  ntfs-3g "$dir/volume.img" "$dir/mnt"
}

unmount_ntfs_volume() {
  local dir=$1
  if mountpoint -q "$dir/mnt" 2>/dev/null; then
    umount "$dir/mnt" 2>/dev/null || { sleep 1; umount "$dir/mnt" 2>/dev/null; } || umount -l "$dir/mnt"
  fi
  rm -rf "$dir"
}
