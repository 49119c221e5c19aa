#!/usr/bin/env bash
# The Win32 window's Connect, Download and Upload under Wine against ats-sim on the pty
# behind COM1; the switch then holds what the window uploaded.
# Usage: window_over_com1.sh WINE APP_WIN32_TESTS.EXE LINUX-BIN-DIR COM1-LINK WORK-DIR
set -euo pipefail
wine=$1 tests_exe=$2 tools=$3 link=$4 work=$5
rm -rf "$work"
mkdir -p "$work"
cd "$work"

"$tools/ats-sim" --fast --link "$link" --word 0=185 --word 2=260 --word 14=95 --save saved.kvnf \
  >sim.out 2>sim.log &
sim=$!
trap 'kill $sim 2>/dev/null || true; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -s sim.out ] && break
  sleep 0.1
done
[ -s sim.out ] || { echo "ats-sim did not start"; cat sim.log; exit 1; }

KOVRIN_SIM_ON_COM1=1 "$wine" "$tests_exe" --gtest_filter='*OverCom1*' --gtest_also_run_disabled_tests \
  || { echo "--- ats-sim log"; cat sim.log; exit 1; }
kill $sim
wait $sim 2>/dev/null || true
trap - EXIT
# Word 0 (185 + 1) and word 14 (95 + 1) as the window uploaded them.
word() { tr -d '\r' <saved.kvnf | grep "^\[$1\]" | awk '{print $2 * 256 + $3}'; }
[ "$(word 000)" = 186 ] && [ "$(word 014)" = 96 ] || { echo "switch holds word 0 = $(word 000), word 14 = $(word 014)"; exit 1; }
echo "window over COM1: downloaded, uploaded, and the switch holds the window's words"
