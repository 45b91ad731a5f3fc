#!/usr/bin/env bash
# Configures and builds one flavour into build/<name>: release (default), sanitize.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-release}
case "$flavour" in
  release)  extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  sanitize) extra=(-DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON) ;;
  *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac
cmake -G Ninja -S "$top" -B "$top/build/$flavour" -DVELMORA_WERROR=ON "${extra[@]}" >/dev/null
ninja -C "$top/build/$flavour"
