#!/usr/bin/env bash
# The window's accessibility tree as a screen reader reads it: on a virtual display,
# with a session bus and the accessibility bus of its own, the program opens FILE and
# accessible_page.py checks the page's names and values. With --small the screen is a
# laptop's, 1366x768 at 125 % under a window manager: the frame must lie inside it, and
# "Load factory default" is reached with Tab and pressed.
# Usage: accessible_page.sh WORK-DIR FILE [--small] PROGRAM [ARGS...]
set -euo pipefail
work=$1 file=$2
shift 2
small=""
if [ "${1:-}" = --small ]; then small=1; shift; fi
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
cd "$work"
mkdir -m 700 run
export XDG_RUNTIME_DIR=$work/run
screen=1280x1024
[ -n "$small" ] && screen=1366x768
display=190
while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 ${screen}x24 -nolisten tcp >xvfb.log 2>&1 &
pids=($!)
trap 'kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
check=""
if [ -n "$small" ]; then
  export QT_SCALE_FACTOR=1.25
  openbox >openbox.log 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
  done
  check=--press-factory
fi
launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] || launcher=/usr/lib/at-spi2-core/at-spi-bus-launcher
# The frame (the window manager's parent of the program's window) inside the screen.
inside() {
  local window frame geometry
  window=$(xdotool search --onlyvisible --name "Version" 2>/dev/null | head -1)
  [ -n "$window" ] || { echo "no window"; return 1; }
  frame=$(xwininfo -children -id "$window" | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p')
  [ "$(xwininfo -children -id "$frame" | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*(the root window).*/\1/p')" ] ||
    frame=$window
  geometry=$(xwininfo -id "$frame")
  local x y w h
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry")
  w=$(sed -n 's/.*Width: *//p' <<<"$geometry")
  h=$(sed -n 's/.*Height: *//p' <<<"$geometry")
  echo "frame ${w}x${h} at ($x,$y) on a $screen screen"
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "${screen%x*}" ] && [ $((y + h)) -le "${screen#*x}" ]
}
export -f inside
export screen
dbus-run-session -- bash -c '
  "$0" --launch-immediately & launcher=$!
  "$@" & program=$!
  rc=0
  /usr/bin/python3 "'"$here"'/accessible_page.py" '"$check"' || rc=1
  if [ -n "'"$small"'" ]; then
    # The window manager may still be placing the frame: look until it settles inside.
    ok=""
    for _ in $(seq 50); do inside >frame.txt && { ok=1; break; }; sleep 0.2; done
    cat frame.txt
    [ -n "$ok" ] || { echo "FAULT: the frame reaches past the screen"; rc=1; }
  fi
  kill $program $launcher 2>/dev/null; exit $rc' "$launcher" "$@" "$file"
