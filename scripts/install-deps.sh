#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, where they are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev googletest   # Linux build and tests
  ntfs-3g attr fuse3 util-linux                   # NTFS volumes: mkntfs, ntfs-3g, getfattr
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64  # Windows cross build
  wine64                                          # Windows tests
  qt6-base-dev xvfb xauth                         # the dialog program's window system and its tests
  x11-apps xdotool                                # screenshots of the dialogs under Xvfb
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# ntfs-3g mounts through FUSE.
if [ ! -e /dev/fuse ]; then
  modprobe fuse 2>/dev/null || true
fi
