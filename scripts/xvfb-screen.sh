# Sourced by the screenshot scripts: a private Xvfb screen whose frame buffer is a file, so a
# shot is what the screen really shows (menus and drop-down lists included, which a window dump
# of the root can miss).
#   start_screen DIR          starts Xvfb, exports DISPLAY
#   stop_screen               ends it
#   wait_for_windows PID N    waits until PID shows N windows; prints the first one's id
#   take_shot WINDOW OUT.png  crops the window (as placed on the screen) out of the frame buffer

start_screen() {
  local dir=$1
  mkdir -p "$dir"
  : >"$dir/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -fbdir "$dir" -nolisten tcp 3>"$dir/display" \
    >"$dir/xvfb.log" 2>&1 &
  screen_pid=$!
  screen_dir=$dir
  for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    kill -0 "$screen_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$dir/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$dir/xvfb.log" >&2
    return 1
  fi
  export DISPLAY=":$(tr -dc '0-9' <"$dir/display")"
}

stop_screen() {
  if [ -n "${screen_pid:-}" ]; then
    kill "$screen_pid" 2>/dev/null || true
    wait "$screen_pid" 2>/dev/null || true
    screen_pid=""
  fi
}

wait_for_windows() {
  local pid=$1 count=$2 windows
  for _ in $(seq 600); do
    windows=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | sort -n || true)
    if [ "$(printf '%s\n' "$windows" | grep -c .)" -eq "$count" ]; then
      printf '%s\n' "$windows" | head -n1
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || { echo "the program ended early" >&2; return 1; }
    sleep 0.1
  done
  echo "timed out waiting for $count window(s) of process $pid" >&2
  return 1
}

take_shot() {
  local window=$1 out=$2 X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$window")"
  python3 "$(dirname "${BASH_SOURCE[0]}")/xwd2png.py" "$screen_dir/Xvfb_screen0" "$out" \
    --crop "$X,$Y,$WIDTH,$HEIGHT"
}
