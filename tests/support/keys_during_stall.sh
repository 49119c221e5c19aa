#!/usr/bin/env bash
# Keys pressed while a download waits on a switch that went silent must not answer the
# error box that follows: Esc three times during the wait, then the box must stay open.
# Usage: keys_during_stall.sh ATS-SIM LINK WORK-DIR PROGRAM [ARGS...]
# The program opens its serial port COM1 on LINK (the caller maps it).
set -euo pipefail
sim=$1 link=$2 work=$3
shift 3
rm -rf "$work"
mkdir -p "$work"
cd "$work"
mkdir -m 700 run
export XDG_RUNTIME_DIR=$work/run

display=160
while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >xvfb.log 2>&1 &
pids=($!)
trap 'kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
export DISPLAY=":$display"
openbox >openbox.log 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done

# Connect and the download's first words are answered, then the switch says nothing.
"$sim" --link "$link" --mute-after 4 >sim.out 2>sim.log &
pids+=($!)
for _ in $(seq 100); do [ -s sim.out ] && break; sleep 0.1; done

"$@" >program.log 2>&1 &
pids+=($!)
window=""
for _ in $(seq 900); do
  window=$(xdotool search --onlyvisible --name "Version" 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "no window"; cat program.log; exit 1; }
shown() { xdotool search --onlyvisible --name "." 2>/dev/null | wc -l; }

# Connect (Alt+C, C), then Download from the toolbar; the window manager may swallow a
# try on a loaded machine, so try until the switch sees the download start.
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
for _ in $(seq 100); do grep -qi "mute\|silent" sim.log && break; sleep 0.1; done
idle=$(shown)
# The impatient user, while the exchange waits for an answer that never comes.
for _ in 1 2 3; do xdotool key Escape; sleep 0.3; done
# The failure box opens once the wait is over; then nobody touches anything.
opened=""
for _ in $(seq 300); do [ "$(shown)" -gt "$idle" ] && { opened=1; break; }; sleep 0.1; done
[ -n "$opened" ] || { echo "no error box seen after the stalled download (answered unseen by the queued keys?)"; cat program.log; exit 1; }
sleep 2
[ "$(shown)" -gt "$idle" ] || { echo "the error box closed by itself: queued keys answered it"; exit 1; }
echo "the error box stays open after keys pressed during the wait"
