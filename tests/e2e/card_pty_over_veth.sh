#!/usr/bin/env bash
# kestio-sim --card-pty: the card's serial line on a pseudo terminal, driven by kestio-cli
# over a veth pair. While no program has the terminal open the line is the jig's loop-back;
# while this script holds it open, the card's bytes come out of it and what is written to it
# reaches the card; closed again, the loop-back is back.
# Needs root (network namespaces); exits 77 (skipped) with a line saying why otherwise.
set -u -o pipefail
cli=$1
simulator=$2
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: creating a network namespace needs root"
  exit 77
fi
ns="kestio-pty-$$"
if ! ip netns add "$ns" 2>/dev/null; then
  echo "SKIPPED: this machine does not allow 'ip netns add'"
  exit 77
fi
work=$(mktemp -d)
sim_pid=
cleanup() {
  exec 3>&- 2>/dev/null
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  ip netns del "$ns" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }

master_end="kpm$$"
slave_end="kps$$"
ip -n "$ns" link add "$master_end" type veth peer name "$slave_end" || fail "no veth pair"
ip -n "$ns" link set "$master_end" up
ip -n "$ns" link set "$slave_end" up

ip netns exec "$ns" "$simulator" --iface "$slave_end" --slaves ZEIO,KOVA-H --card-pty 1 > "$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do
  grep -q "answering" "$work/sim.log" && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$work/sim.log"; fail "kestio-sim ended early"; }
  sleep 0.05
done
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
