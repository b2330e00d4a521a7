#!/usr/bin/env bash
# kestio-cli on one end of a veth pair, kestio-sim on the other, through libpcap.
# Checks slaves, upload and download, and that tshark decodes the --capture file as
# EtherCAT with no malformed packet and with the CoE SDO requests made.
# Needs root (network namespaces); exits 77 (skipped) with a line saying why otherwise.
set -u -o pipefail
cli=$1
simulator=$2
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: creating a network namespace needs root"
  exit 77
fi
ns="kestio-e2e-$$"
if ! ip netns add "$ns" 2>/dev/null; then
  echo "SKIPPED: this machine does not allow 'ip netns add'"
  exit 77
fi
work=${KESTIO_E2E_KEEP:-$(mktemp -d)}
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  ip netns del "$ns" 2>/dev/null
  [ -z "${KESTIO_E2E_KEEP:-}" ] && rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }

master_end="kem$$"
slave_end="kes$$"
ip -n "$ns" link add "$master_end" type veth peer name "$slave_end" || fail "no veth pair"
ip -n "$ns" link set "$master_end" up
ip -n "$ns" link set "$slave_end" up

ip netns exec "$ns" "$simulator" --iface "$slave_end" --slaves generic*3 > "$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do
  grep -q -i "ready\|answering\|listening" "$work/sim.log" && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$work/sim.log"; fail "kestio-sim ended early"; }
  sleep 0.05
done

block=$(for i in $(seq 0 199); do printf '%02X' $((i * 7 % 256)); done)
cat > "$work/script.txt" <<SCRIPT
slaves
download 1 0x5000:03 0x12345678 --type u32
upload 1 0x5000:03 --type u32
upload 2 0x1009:00 --type str
download 0 0x5001:00 $block
upload 0 0x5001:00
SCRIPT
out=$(ip netns exec "$ns" "$cli" --adapter "$master_end" --capture "$work/capture.pcap" run "$work/script.txt" 2>&1)
status=$?
echo "$out"
[ $status -eq 0 ] || fail "kestio-cli run ended with status $status"
[ "$(echo "$out" | grep -c 'Generic CoE slave(VID:')" -eq 3 ] || fail "three slaves were not listed"
echo "$out" | grep -q "PREOP" || fail "the slaves are not in PREOP"
echo "$out" | grep -q "0x5000:03 = 305419896 (0x12345678)" || fail "the download did not read back"
spaced=$(echo "$block" | sed 's/../& /g; s/ $//')
echo "$out" | grep -q "0x5001:00 = $spaced" || fail "the 200-byte block did not read back"

if ! command -v tshark >/dev/null; then
  fail "tshark is not installed (scripts/install-deps.sh installs it)"
fi
frames=$(tshark -r "$work/capture.pcap" -Y ecat 2>/dev/null | wc -l)
[ "$frames" -gt 10 ] || fail "tshark found only $frames EtherCAT frames"
malformed=$(tshark -r "$work/capture.pcap" -Y "_ws.malformed || _ws.expert.severity >= error" 2>"$work/tshark.err" | wc -l) \
  || fail "tshark could not read the capture: $(cat "$work/tshark.err")"
[ "$malformed" -eq 0 ] || { tshark -r "$work/capture.pcap" -Y "_ws.malformed" | head; fail "$malformed malformed packets"; }
tshark -r "$work/capture.pcap" -Y "ecat_mailbox.coe" -V 2>/dev/null > "$work/coe.txt"
for request in "'Initiate Download' (1) Idx=0x5000 Sub=3" "'Initiate Download' (1) Idx=0x5001 Sub=0" \
               "'Download Segment'" "'Initiate Upload' (2) Idx=0x1009 Sub=0" "'Upload Segment'"; do
  grep -q -F "$request" "$work/coe.txt" || fail "tshark shows no CoE SDO request $request"
done
echo "PASSED: $frames EtherCAT frames, none malformed, CoE SDO requests decoded"
