#!/usr/bin/env bash
# A user's clicks during a download, on a virtual display with a window manager, against
# ats-sim: a second click on Download while the first runs is dropped (the switch sees
# one identification request), and afterwards the window takes input again (Alt+F, N
# asks about saving).
# Usage: input_during_download.sh ATS-SIM LINK WORK-DIR PROGRAM [ARGS...]
# The program opens its serial port COM1 on LINK (the caller maps it).
set -euo pipefail
sim=$1 link=$2 work=$3
shift 3
rm -rf "$work"
mkdir -p "$work"
cd "$work"
# A session of its own: another copy of the program elsewhere on the machine is no
# "already running" copy of this one.
mkdir -m 700 run
export XDG_RUNTIME_DIR=$work/run

display=150
while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >xvfb.log 2>&1 &
pids=($!)
trap 'kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
export DISPLAY=":$display"
openbox >openbox.log 2>&1 &
pids+=($!)
# A window mapped while the window manager is still starting may never be shown.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done
sleep 0.5

# At 1200 baud: a download takes about seven seconds.
"$sim" --link "$link" >sim.out 2>sim.log &
pids+=($!)
for _ in $(seq 100); do [ -s sim.out ] && break; sleep 0.1; done

"$@" >program.log 2>&1 &
pids+=($!)
window=""
for _ in $(seq 600); do
  window=$(xdotool search --onlyvisible --name "Version" 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "no window"; cat program.log; exit 1; }
sleep 2
xdotool windowactivate --sync "$window" 2>/dev/null || true
shown() { xdotool search --onlyvisible --name "." 2>/dev/null | wc -l; }
idle=$(shown)

# Connect from the menu, then Download by a click on its toolbar button (the fifth
# picture, after a separator). A loaded machine may swallow the first try (the window not
# yet focused, the menu not yet open): try again until the switch sees the download start,
# and only then click twice more, while it runs.
started=""
for attempt in 1 2 3; do
  xdotool windowactivate --sync "$window" 2>/dev/null || true
  xdotool key alt+c
  sleep 0.5
  xdotool key c
  sleep 3
  xdotool mousemove --window "$window" 127 36 click 1
  for _ in $(seq 80); do grep -q " GI" sim.log && { started=1; break; }; sleep 0.1; done
  [ -n "$started" ] && break
  xdotool key Escape
done
[ -n "$started" ] || { echo "the download never started"; cat program.log; exit 1; }
sleep 1
xdotool click 1
sleep 0.3
xdotool click 1
for _ in $(seq 300); do grep -q "GM word 15" sim.log && break; sleep 0.1; done
sleep 3
requests=$(grep -c " GI" sim.log || true)
[ "$requests" = 1 ] || { echo "the switch saw $requests identification requests"; cat sim.log; exit 1; }
# A replayed click would open a second download, which first asks about saving.
[ "$(shown)" = "$idle" ] || { echo "a window opened after the download: a click was replayed"; exit 1; }

# The window takes input again: New asks about saving the downloaded data.
xdotool key alt+f
sleep 0.5
xdotool key n
sleep 2
[ "$(shown)" -gt "$idle" ] || { echo "no question after Alt+F, N"; exit 1; }
echo "one download for three clicks; the window answers afterwards"
