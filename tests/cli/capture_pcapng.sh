#!/usr/bin/env bash
# kestio-cli --capture on the in-process bus, read back by tshark: a pcapng file whose
# packets carry their direction and whose header names the tool and the adapter, and a
# --capture-limit that stops the capture with a line saying so.
set -u -o pipefail
cli=$1
fail() { echo "FAILED: $*"; exit 1; }
command -v tshark >/dev/null || fail "tshark is not installed (scripts/install-deps.sh installs it)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cli" --simulate=ZEIO,KOVA-H --capture "$work/run.pcapng" upload 1 0x1009:00 --type str > "$work/out.txt" 2>&1 \
  || { cat "$work/out.txt"; fail "kestio-cli failed"; }
grep -q "KOVA-H" "$work/out.txt" || fail "the upload did not return the model name"

[ "$(head -c 4 "$work/run.pcapng" | od -An -tx1 | tr -d ' ')" = "0a0d0d0a" ] || fail "not a pcapng file"
tshark -r "$work/run.pcapng" -T fields -e frame.packet_flags_direction > "$work/directions.txt" 2>"$work/tshark.err" \
  || fail "tshark could not read the capture: $(cat "$work/tshark.err")"
outbound=$(grep -c -x "0x0*2\|2" "$work/directions.txt")
inbound=$(grep -c -x "0x0*1\|1" "$work/directions.txt")
total=$(wc -l < "$work/directions.txt")
[ "$outbound" -gt 10 ] || fail "only $outbound packets marked outbound"
[ "$inbound" -gt 10 ] || fail "only $inbound packets marked inbound"
[ $((outbound + inbound)) -eq "$total" ] || fail "$((total - outbound - inbound)) packets carry no direction"
# every reply follows its frame: the counts differ by at most the frames in flight at the end
[ $((outbound - inbound)) -le 2 ] && [ $((inbound - outbound)) -le 0 ] \
  || fail "$outbound outbound against $inbound inbound packets"
malformed=$(tshark -r "$work/run.pcapng" -Y "_ws.malformed" 2>/dev/null | wc -l)
[ "$malformed" -eq 0 ] || fail "$malformed malformed packets"
capinfos_like=$(tshark -r "$work/run.pcapng" -T fields -e frame.interface_name -c 1 2>/dev/null)
echo "$capinfos_like" | grep -q "模拟总线" || fail "the interface is named '$capinfos_like', not the adapter"
strings "$work/run.pcapng" | grep -q "kestio-cli" || fail "the section header does not name the tool"

# About 200 kB of frames a second on an idle machine, far fewer on a loaded one: wait for the
# line rather than for a fixed time, then stop the run.
echo "sleep 120000" > "$work/wait.txt"
"$cli" --simulate=generic --capture "$work/limited.pcapng" --capture-limit 1 run "$work/wait.txt" \
  > "$work/limited.txt" 2>&1 &
runner=$!
for _ in $(seq 600); do
  grep -q "capture stopped" "$work/limited.txt" && break
  kill -0 "$runner" 2>/dev/null || break
  sleep 0.1
done
kill "$runner" 2>/dev/null; wait "$runner" 2>/dev/null
grep -q "capture stopped" "$work/limited.txt" || { cat "$work/limited.txt"; fail "no line says the capture stopped"; }
size=$(stat -c %s "$work/limited.pcapng")
[ "$size" -le 1000000 ] || fail "the capture grew to $size bytes past its 1 MB limit"
[ "$size" -gt 900000 ] || fail "the capture stopped early, at $size bytes"
tshark -r "$work/limited.pcapng" > /dev/null 2>&1 || fail "tshark cannot read the limited capture"
echo "PASSED: $outbound outbound and $inbound inbound packets, limited capture $size bytes"
