#!/usr/bin/env bash
# Takes docs/velmora-windows.png: the real velmora.exe under Wine on a private Xvfb screen,
# after a scan of a small demo folder that the prefix has as drive D:, driven with keys as a
# person would (the drive list, Space on Start, Enter on the summary box).
#
# Wine's ntdll does not list a file's streams, so the scan finds none: the results show the
# warning the program gives for every entry whose stream query fails, and the summary counts
# the entries with 0 streams. That is what the real program shows under Wine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
out=${1:-docs/velmora-windows.png}

scripts/build-windows.sh >/dev/null
exe="$top/build/windows/bin/velmora.exe"

. "$top/scripts/find-wine.sh"
find_wine || exit 1
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
export PATH="$(dirname "$wine"):$PATH"

work="$top/build/screenshot-windows"
mkdir -p "$work"
export WINEPREFIX="$work/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY

. "$top/scripts/xvfb-screen.sh"
app_pid=""
finish() {
  [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
  "$wineserver" -k >/dev/null 2>&1 || true
  stop_screen
  rm -rf "$work/screen"
}
trap finish EXIT

start_screen "$work/screen" || exit 1

# The prefix, with its desktop on this screen.
mkdir -p "$WINEPREFIX"
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -p
"$wine" wineboot -i </dev/null >/dev/null 2>&1 || { echo "wineboot failed for $WINEPREFIX" >&2; exit 1; }

# The demo folder as drive D: (a drive of a Wine prefix is a link in its dosdevices folder).
demo="$work/demo"
rm -rf "$demo"
mkdir -p "$demo/Docs/Reports" "$demo/Pictures"
printf 'quarterly figures\r\n' >"$demo/Docs/Reports/q3.txt"
printf 'notes\r\n' >"$demo/Docs/notes.txt"
printf 'readme\r\n' >"$demo/readme.txt"
printf 'GIF89a' >"$demo/Pictures/logo.gif"
ln -sfn "$demo" "$WINEPREFIX/dosdevices/d:"
# The server takes the drive links it finds when it starts: a fresh one sees D:.
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w 2>/dev/null || true
"$wineserver" -p

"$wine" "$exe" >"$work/velmora.log" 2>&1 &
app_pid=$!

# Waits until the program shows at least N windows; prints their ids.
wait_for_exe_windows() {
  local count=$1 ids
  for _ in $(seq 300); do
    ids=$(xdotool search --onlyvisible --classname 'velmora.exe' 2>/dev/null || true)
    if [ -n "$ids" ] && [ "$(wc -l <<<"$ids")" -ge "$count" ]; then
      echo "$ids"
      return 0
    fi
    sleep 0.1
  done
  return 1
}
dialog=$(wait_for_exe_windows 1 | head -n1) || { echo "velmora.exe showed no window" >&2; cat "$work/velmora.log" >&2; exit 1; }
sleep 1 # its first paint
xdotool windowfocus "$dialog"

# Start has the focus when the dialog opens. Shift+Tab goes back to the drive list (the last tab
# stop); its entries are "Local NTFS (C:,D:,Z:)", C:, D:, Z:, so two steps down is D:. Tab goes
# on to Start, and Space presses it.
xdotool key shift+Tab
xdotool key Down Down
xdotool key Tab
xdotool key space
# The summary box ends the scan; Enter dismisses it.
if ! windows=$(wait_for_exe_windows 2); then
  python3 scripts/xwd2png.py "$screen_dir/Xvfb_screen0" "$work/failed.png" || true
  echo "no summary box appeared (the screen then: $work/failed.png)" >&2
  exit 1
fi
sleep 1
# Without a window manager the keyboard stays with the dialog until the box is given it.
box=$(grep -vx "$dialog" <<<"$windows" | head -n1)
xdotool windowfocus "$box"
xdotool key Return
for _ in $(seq 100); do
  [ "$(xdotool search --onlyvisible --classname 'velmora.exe' 2>/dev/null | wc -l)" -le 1 ] && break
  sleep 0.1
done
xdotool windowfocus "$dialog"
sleep 1 # the last repaint
xdotool mousemove 1000 700

# The dialog is where Wine put it (top left). No window manager runs on this screen, so, as in the
# Linux shot, the dialog has no frame or caption bar; the shot is the screen cut to the dialog.
mkdir -p "$(dirname "$out")"
take_shot "$dialog" "$out"
echo "wrote $out"
