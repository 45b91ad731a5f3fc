#!/usr/bin/env bash
# Builds the Windows target and runs its tests under Wine: a private prefix inside the build
# folder, no terminal needed. The unit tests run without a display (they answer every message box
# themselves and use message-only windows); the dialog program's tests (win32_gui_tests) get an
# Xvfb display of their own for the run, named in VLM_GUI_DISPLAY (tests/win32_gui/with-display.sh
# hands it on as DISPLAY to them alone).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build/windows"

"$top/scripts/build-windows.sh"

. "$top/scripts/find-wine.sh"
find_wine || exit 1
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
. "$top/scripts/xvfb-screen.sh"
finish() {
  stop_wineserver
  stop_screen
  clear_test_trees
}
trap finish EXIT
stop_wineserver
clear_test_trees

# The window tests' display: a free display number, found by Xvfb itself (-displayfd).
if ! command -v Xvfb >/dev/null; then
  echo "Xvfb is not installed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi
start_screen "$build/xvfb" || exit 1
export VLM_GUI_DISPLAY=$DISPLAY
unset DISPLAY
# Where the Linux build's window tests wrote their dialogs' layout (qt_tests, LayoutFile), for
# the comparison with the real dialogs; a missing file makes that test skip, saying so.
export VLM_LINUX_DIALOG_LAYOUT=${VLM_LINUX_DIALOG_LAYOUT:-$top/build/release/tests/dialog-layout.txt}

mkdir -p "$WINEPREFIX"
# One server for the whole run, and the prefix's own background processes started by wineboot
# with their output away from ctest: started by the first test instead, they would hold its
# output pipe open until the server ends them. The trap ends the server and them. The desktop
# process starts here too, on the window tests' display: a desktop started without one would
# leave their windows unshown.
"$wineserver" -p
DISPLAY=$VLM_GUI_DISPLAY "$wine" wineboot -i </dev/null >/dev/null 2>&1 || {
  echo "wineboot failed for $WINEPREFIX" >&2
  exit 1
}

# Extra arguments go to ctest (for example -R to run some tests only).
ctest --test-dir "$build" --output-on-failure -j"${VELMORA_JOBS:-2}" "$@"
