#!/usr/bin/env bash
# kestio-sim --card-pty: the card's serial line on a pseudo terminal, driven by kestio-cli
# over a veth pair. While no program has the terminal open the line is the jig's loop-back;
# while this script holds it open, the card's bytes come out of it and what is written to it
# reaches the card; closed again, the loop-back is back.
# Needs root (network namespaces); exits 77 (skipped) with a line saying why otherwise.
set -u -o pipefail
cli=$1
simulator=$2
source "$(dirname "$0")/veth_common.sh"
e2e_namespace pty
e2e_start_simulator --slaves ZEIO,KOVA-H --card-pty 1
pty=$(sed -n 's/^kestio-sim: serial line of card 1 on \(.*\)$/\1/p' "$work/sim.log")
[ -c "$pty" ] || { cat "$work/sim.log"; fail "kestio-sim printed no pseudo terminal for card 1"; }

# Takes the block the card presents, sends four bytes (a little-endian word) with a new
# trigger, waits, and reads what the card presents next.
exchange() { # word trigger
  cat > "$work/script.txt" <<SCRIPT
download 1 0x2402:04 1 --type u8
download 1 0x2601:02 0x00FF --type u16
download 1 0x2601:02 0 --type u16
download 1 0x2602:01 $1 --type u32
download 1 0x2600:04 4 --type u16
download 1 0x2600:03 $2 --type u16
sleep 100
upload 1 0x2601:01 --type u16
upload 1 0x2603:01 --type u32
SCRIPT
  ip netns exec "$ns" "$cli" --adapter "$master_end" run "$work/script.txt" 2>&1
}

out=$(exchange 0x44434241 1) || fail "kestio-cli: $out"
echo "$out" | grep -q "0x2603:01 = .*(0x44434241)" || { echo "$out"; fail "no loop-back while the terminal is closed"; }

exec 3<>"$pty" || fail "cannot open $pty"
printf 'WXYZ' >&3
out=$(exchange 0x48474645 2) || fail "kestio-cli: $out"
echo "$out" | grep -q "0x2603:01 = .*(0x5A595857)" || { echo "$out"; fail "the card did not receive what was written to $pty"; }
got=$(timeout 5 dd bs=1 count=4 <&3 2>/dev/null)
[ "$got" = "EFGH" ] || fail "read '$got' from $pty instead of the card's EFGH"
exec 3>&-

out=$(exchange 0x4C4B4A49 3) || fail "kestio-cli: $out"
echo "$out" | grep -q "0x2603:01 = .*(0x4C4B4A49)" || { echo "$out"; fail "no loop-back after the terminal was closed"; }
echo "PASSED: loop-back, $pty both ways, loop-back again"
