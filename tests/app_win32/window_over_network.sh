#!/usr/bin/env bash
# The Win32 window's "Network port...", Connect and Download under Wine against ats-sim
# on a pty behind ser2net's RFC 2217 accepter on a free loopback port.
# Usage: window_over_network.sh WINE APP_WIN32_TESTS.EXE LINUX-BIN-DIR WORK-DIR
set -euo pipefail
wine=$1 tests_exe=$2 tools=$3 work=$4
[ -x /usr/sbin/ser2net ] || { echo "ser2net is not installed: skipped"; exit 0; }
rm -rf "$work"
mkdir -p "$work"
cd "$work"

"$tools/ats-sim" --fast --word 0=185 --word 2=260 >sim.out 2>sim.log &
sim=$!
server=
trap 'kill $sim $server 2>/dev/null || true; wait 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -s sim.out ] && break
  sleep 0.1
done
[ -s sim.out ] || { echo "ats-sim did not start"; cat sim.log; exit 1; }
device=$(head -1 sim.out)

# A port the system has just handed out and taken back; ser2net binds it next.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >ser2net.yaml <<YAML
connection: &win
  accepter: telnet(rfc2217),tcp,127.0.0.1,$port
  connector: serialdev,$device,1200n81,local
  options:
    chardelay: false
YAML
/usr/sbin/ser2net -n -c ser2net.yaml -P "$work/ser2net.pid" 2>ser2net.log &
server=$!
hex=$(printf '0100007F:%04X' "$port")
for _ in $(seq 100); do
  awk '{print $2, $4}' /proc/net/tcp | grep -q "^$hex 0A$" && break
  sleep 0.1
done

KOVRIN_NETWORK_PORT="rfc2217://127.0.0.1:$port" "$wine" "$tests_exe" --gtest_filter='*OverNetworkPort*' \
  || { echo "--- ats-sim log"; cat sim.log; echo "--- ser2net log"; cat ser2net.log; exit 1; }
echo "window over a network port: connected and downloaded"
