#!/usr/bin/env bash
# kestio-cli on one end of a veth pair, kestio-sim on the other, through libpcap.
# Checks slaves, upload and download, and that tshark decodes the --capture file as
# EtherCAT with no malformed packet and with the CoE SDO requests made.
# Needs root (network namespaces); exits 77 (skipped) with a line saying why otherwise.
set -u -o pipefail
cli=$1
simulator=$2
source "$(dirname "$0")/veth_common.sh"
e2e_namespace e2e
e2e_start_simulator --slaves generic*3

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
