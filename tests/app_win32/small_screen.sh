#!/usr/bin/env bash
# The window on a laptop's screen: 1366x768 at 125 % (120 DPI). Runs the wiring test
# that checks the frame against the work area and Tabs to the page's last button.
# Usage: small_screen.sh WINE TEST-PROGRAM
set -euo pipefail
wine=$1 program=$2
display=250
while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
key='HKCU\Control Panel\Desktop'
restore() {
  "$wine" reg delete "$key" /v LogPixels /f >/dev/null 2>&1 || true
  kill $xvfb 2>/dev/null || true
}
trap restore EXIT
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
export DISPLAY=":$display"
"$wine" reg add "$key" /v LogPixels /t REG_DWORD /d 120 /f >/dev/null 2>&1
"$wine" "$program" --gtest_filter='WindowWiringTest.TheFrameFitsTheWorkAreaAndTabReachesTheLastButton'
