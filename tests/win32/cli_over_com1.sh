#!/usr/bin/env bash
# kovrin-cli.exe under Wine against ats-sim on the pty behind COM1: the download matches
# the Linux build's byte for byte apart from the date line, and an upload reads back.
# Usage: cli_over_com1.sh WINE KOVRIN-CLI.EXE LINUX-BIN-DIR COM1-LINK WORK-DIR
set -euo pipefail
wine=$1 cli_exe=$2 tools=$3 link=$4 work=$5
rm -rf "$work"
mkdir -p "$work"
cd "$work"
# A link left by a run that was killed would stop ats-sim from making its own.
[ -L "$link" ] && rm -f "$link"

"$tools/ats-sim" --fast --link "$link" --code WIN0000000000042 --model "MODEL W" --word 0=185 --word 15=0x1234 \
  >sim.out 2>sim.log &
sim=$!
trap 'kill $sim 2>/dev/null || true; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -s sim.out ] && break
  sleep 0.1
done
pty=$(head -n 1 sim.out)
[ -n "$pty" ] || { echo "ats-sim did not start"; cat sim.log; exit 1; }

fail() { echo "FAIL: $*"; echo "--- ats-sim log"; cat sim.log; exit 1; }

"$wine" "$cli_exe" download --port COM1 win.kvnf || fail "download over COM1"
"$tools/kovrin-cli" download --port "$pty" linux.kvnf || fail "Linux download"
head -c 6 win.kvnf | grep -q '^Date: ' || fail "no date line"
cmp <(tail -n +2 win.kvnf) <(tail -n +2 linux.kvnf) || fail "the downloads differ after the date line"
echo "download over COM1: $(wc -c <win.kvnf) bytes, same as the Linux build's"

"$tools/kovrin-cli" edit linux.kvnf changed.kvnf --set OverloadThreshold=110 || fail "edit"
"$wine" "$cli_exe" upload --port COM1 changed.kvnf --verify || fail "upload --verify over COM1"
"$tools/kovrin-cli" download --port "$pty" after.kvnf || fail "download after the upload"
# Words 0 to 15 (lines 10 to 25) are what an upload sends.
cmp <(sed -n 10,25p changed.kvnf) <(sed -n 10,25p after.kvnf) || fail "the switch does not hold the uploaded words"
cmp <(sed -n 10,25p changed.kvnf) <(sed -n 10,25p linux.kvnf) && fail "the edit changed no word"
echo "upload --verify over COM1: the switch holds the edited words"

# Commissioning commands: the switch now holds changed.kvnf's words; the archive is the
# system's (the Windows build keeps it under %LOCALAPPDATA%).
unset KOVRIN_ARCHIVE
"$wine" "$cli_exe" diff ats changed.kvnf --port COM1 --json >diff.json || [ $? -eq 1 ] || fail "diff over COM1"
python3 -c 'import json; j = json.load(open("diff.json")); assert j["parameters"] == [] and not j["otherSwitch"], j' \
  || fail "diff: $(cat diff.json)"
"$wine" "$cli_exe" show changed.kvnf --json >show.json || fail "show --json"
python3 -c 'import json; j = json.load(open("show.json")); assert j["identification"]["atsCode"] == "WIN0000000000042" and j["parameters"][15]["value"] == 64, j' \
  || fail "show --json: $(head -c 400 show.json)"
"$wine" "$cli_exe" report ats --port COM1 -o report.html --site "Site <A>" || fail "report from the switch"
grep -q "Site &lt;A&gt;" report.html && grep -q "WIN0000000000042" report.html || fail "report: $(head -c 400 report.html)"
"$wine" "$cli_exe" archive >archive.out || fail "archive"
grep -q "WIN0000000000042" archive.out || fail "archive: $(cat archive.out)"
echo "diff, show --json, report and archive over COM1"

# The gang over COM1 and an unmapped COM8 at once: COM1 gets the manifest's words, COM8
# fails alone with the window's message.
"$tools/kovrin-cli" edit linux.kvnf gang.kvnf --set OverloadThreshold=90 || fail "edit for the gang"
printf 'port,config,model\nCOM1,gang.kvnf,MODEL W\nCOM8,gang.kvnf,\n' >line.csv
set +e
"$wine" "$cli_exe" gang line.csv --results gang.csv >gang.out 2>&1
code=$?
set -e
[ "$code" -eq 3 ] || fail "gang gave $code: $(cat gang.out)"
grep -q ',COM1,WIN0000000000042,MODEL W,.*,passed,.*14=90,' gang.csv || fail "gang COM1: $(cat gang.csv)"
grep -q ',COM8,,,,gang.kvnf,.*,failed,opening,.*,Cannot open serial port' gang.csv || fail "gang COM8: $(cat gang.csv)"
"$tools/kovrin-cli" download --port "$pty" regained.kvnf || fail "download after the gang"
cmp <(sed -n 10,25p regained.kvnf) <(sed -n 10,25p gang.kvnf) || fail "the switch does not hold the gang's words"
echo "gang over COM1 and COM8: COM1 holds the manifest's words, COM8 failed alone"

# A port that does not exist fails as the window's Connect does.
set +e
"$wine" "$cli_exe" download --port COM8 none.kvnf >com8.out 2>&1
code=$?
set -e
[ "$code" -ne 0 ] && [ ! -e none.kvnf ] || fail "COM8 (not mapped) gave $code"
grep -q "Cannot open serial port" com8.out || fail "COM8: $(cat com8.out)"

# USB: ubrix.dll beside the program loads, finds no adapter, and the first read fails as
# the window's Download does.
set +e
"$wine" "$cli_exe" download --port USB none.kvnf >usb.out 2>&1
code=$?
set -e
[ "$code" -ne 0 ] && [ ! -e none.kvnf ] || fail "USB without an adapter gave $code"
grep -q "Error in ReadBuffer serial port" usb.out || fail "USB: $(cat usb.out)"
echo "download over USB without an adapter: refused as the window refuses it"

# A switch that never answers: after the read time-out the transfer ends with the window's
# message (the cancelled read waited for a bounded time), and nothing is written.
kill $sim 2>/dev/null || true
wait $sim 2>/dev/null || true
rm -f "$link" sim.out
"$tools/ats-sim" --fast --mute --link "$link" >sim.out 2>sim.log &
sim=$!
for _ in $(seq 100); do
  [ -s sim.out ] && break
  sleep 0.1
done
[ -s sim.out ] || fail "the silent ats-sim did not start"
set +e
timeout 120 "$wine" "$cli_exe" download --port COM1 silent.kvnf >silent.out 2>&1
code=$?
set -e
[ "$code" -ne 0 ] && [ "$code" -ne 124 ] && [ ! -e silent.kvnf ] || fail "a silent switch gave $code"
grep -q "Error in ReadBuffer serial port" silent.out || fail "silent switch: $(cat silent.out)"
echo "download from a silent switch over COM1: ends with the read error"
