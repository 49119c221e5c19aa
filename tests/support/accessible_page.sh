#!/usr/bin/env bash
# The window's accessibility tree as a screen reader reads it: on a virtual display,
# with a session bus and the accessibility bus of its own, the program opens FILE and
# accessible_page.py checks the page's names and values.
# Usage: accessible_page.sh WORK-DIR FILE PROGRAM [ARGS...]
set -euo pipefail
work=$1 file=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
cd "$work"
mkdir -m 700 run
export XDG_RUNTIME_DIR=$work/run
display=190
while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >xvfb.log 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] || launcher=/usr/lib/at-spi2-core/at-spi-bus-launcher
dbus-run-session -- bash -c '
  "$0" --launch-immediately & launcher=$!
  "$@" & program=$!
  /usr/bin/python3 "'"$here"'/accessible_page.py"; rc=$?
  kill $program $launcher 2>/dev/null; exit $rc' "$launcher" "$@" "$file"
