#!/usr/bin/env bash
# Builds the Windows target and runs its tests under Wine: a private prefix inside the build
# folder, no display (the tests answer every message box themselves and use message-only
# windows), no terminal needed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build/windows"

"$top/scripts/build-windows.sh"

# Debian keeps the 64-bit loader off PATH.
wine=""
for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
  if [ -n "$candidate" ] && [ -x "$candidate" ]; then wine=$candidate; break; fi
done
wineserver=""
for candidate in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver "$(command -v wineserver || true)"; do
  if [ -n "$candidate" ] && [ -x "$candidate" ]; then wineserver=$candidate; break; fi
done
if [ -z "$wine" ] || [ -z "$wineserver" ]; then
  echo "wine64 is not installed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi
export PATH="$(dirname "$wine"):$PATH"

export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko installer prompts while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
export HOME=${HOME:-$build}
unset DISPLAY WAYLAND_DISPLAY

# The test trees' folders (their empty roots stay until the end, see TestTreeWin32.cpp) and
# dangling drive links left by a test that crashed (the server takes every link it finds at its
# start for a drive).
clear_test_trees() {
  if [ -d "$WINEPREFIX/dosdevices" ]; then
    find "$WINEPREFIX/dosdevices" -maxdepth 1 -xtype l -delete
  fi
  if [ -d "$WINEPREFIX/drive_c/users" ]; then
    find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -name 'vlm-tree-*' -prune -exec rm -rf {} +
  fi
}
# Our prefix's server only; it also holds the drive letters the tests define.
stop_wineserver() { "$wineserver" -k >/dev/null 2>&1 || true; }
finish() {
  stop_wineserver
  clear_test_trees
}
trap finish EXIT
stop_wineserver
clear_test_trees

mkdir -p "$WINEPREFIX"
# One server for the whole run, and the prefix's own background processes started by wineboot
# with their output away from ctest: started by the first test instead, they would hold its
# output pipe open until the server ends them. The trap ends the server and them.
"$wineserver" -p
"$wine" wineboot -i </dev/null >/dev/null 2>&1 || {
  echo "wineboot failed for $WINEPREFIX" >&2
  exit 1
}

ctest --test-dir "$build" --output-on-failure -j"${VELMORA_JOBS:-2}"
