#!/usr/bin/env bash
# The card's Modbus master in kestio-sim, driven by kestio-cli over a veth pair, against a
# libmodbus RTU slave on the card's pseudo terminal (--card-pty): an Rx channel brings a
# holding register of the slave, a Tx channel writes two of its registers.
# Needs root (network namespaces); exits 77 (skipped) with a line saying why otherwise.
set -u -o pipefail
cli=$1
simulator=$2
slave=$3
source "$(dirname "$0")/veth_common.sh"
e2e_namespace mb
e2e_before_cleanup() { [ -n "${SLAVE_PID:-}" ] && kill "$SLAVE_PID" 2>/dev/null; }
fail() { echo "FAILED: $*"; cat "$work/sim.log"; exit 1; }
e2e_start_simulator --slaves KOVA-H --card-pty 0
pty=$(sed -n 's/.*serial line of card 0 on \(\/dev\/[^ ]*\).*/\1/p' "$work/sim.log")
[ -n "$pty" ] || fail "kestio-sim printed no pseudo terminal"

coproc SLAVE { "$slave" "$pty" 1; }
ask() { echo "$1" >&"${SLAVE[1]}"; read -r -t 10 answer <&"${SLAVE[0]}"; echo "$answer"; }
read -r -t 10 ready <&"${SLAVE[0]}"
[ "$ready" = "ready" ] || fail "the libmodbus slave did not start on $pty"
[ "$(ask 'set holding 10 4660')" = "4660" ] || fail "the slave took no command"

cat > "$work/script.txt" <<SCRIPT
download 0 0x2402:04 0 --type u8
download 0 0x2402:01 1000 --type u16
download 0 0x2602:01 0x12345678 --type u32
download 0 0x3020:02 10 --type u16
download 0 0x3020:03 16 --type u8
download 0 0x3020:04 1 --type u8
download 0 0x3020:05 4 --type u8
download 0 0x3020:06 1 --type u8
download 0 0x3000:02 20 --type u16
download 0 0x3000:03 32 --type u8
download 0 0x3000:04 1 --type u8
download 0 0x3000:05 4 --type u8
download 0 0x3000:06 1 --type u8
sleep 1000
upload 0 0x3020:01 --type u16
upload 0 0x2603:01 --type u32
upload 0 0x3000:01 --type u16
SCRIPT
out=$(ip netns exec "$ns" "$cli" --adapter m0 run "$work/script.txt" 2>&1)
status=$?
echo "$out"
[ $status -eq 0 ] || fail "kestio-cli run ended with status $status"
echo "$out" | grep -q "0x2603:01 = 4660 (0x00001234)" || fail "Rx 0 did not bring the slave's holding register 10"
echo "$out" | grep -q "0x3020:01 = 1 (0x0001)" || fail "Rx 0 did not report done"
echo "$out" | grep -q "0x3000:01 = 1 (0x0001)" || fail "Tx 0 did not report done"
[ "$(ask 'get32 holding 20')" = "305419896" ] || fail "Tx 0 did not write holding registers 20 and 21"
[ "$(ask 'get holding 20')" = "4660" ] || fail "the 32-bit value did not go high word first"
echo "PASSED: the card's Modbus master read and wrote the libmodbus slave over $pty"
