#!/usr/bin/env bash
# The raw-socket permission as an operator meets it: kestio-cli and KestIO_Test run as an
# unprivileged user over a veth pair, with and without the capability set by setcap.
# Needs root (namespaces, setcap, changing user); exits 77 (skipped) with a line otherwise.
set -u -o pipefail
cli=$1
simulator=$2
gui=$3
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: namespaces, setcap and changing the user need root"
  exit 77
fi
for tool in setcap getcap setpriv; do
  command -v $tool >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
ns="kestio-cap-$$"
if ! ip netns add "$ns" 2>/dev/null; then
  echo "SKIPPED: this machine does not allow 'ip netns add'"
  exit 77
fi
work=$(mktemp -d)
chmod 755 "$work"
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  ip netns del "$ns" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }
as_nobody() { ip netns exec "$ns" setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }

ip -n "$ns" link add m0 type veth peer name s0 || fail "no veth pair"
ip -n "$ns" link set m0 up
ip -n "$ns" link set s0 up
ip netns exec "$ns" "$simulator" --iface s0 --slaves ZEIO,KOVA-H > "$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do
  grep -q -i "ready\|answering\|listening" "$work/sim.log" && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$work/sim.log"; fail "kestio-sim ended early"; }
  sleep 0.05
done

cp "$cli" "$work/kestio-cli-granted"
cp "$cli" "$work/kestio-cli-plain"
chmod 755 "$work"/kestio-cli-*
setcap cap_net_raw,cap_net_admin=eip "$work/kestio-cli-granted" || fail "setcap failed"

out=$(as_nobody "$work/kestio-cli-granted" --adapter m0 slaves 2>&1) || fail "with the capability: $out"
[ "$(echo "$out" | grep -c PREOP)" -eq 2 ] || fail "with the capability the two cards were not listed: $out"

out=$(as_nobody "$work/kestio-cli-plain" --adapter m0 slaves 2>&1)
status=$?
[ $status -eq 1 ] || fail "without the capability kestio-cli exited with $status: $out"
echo "$out" | grep -q "adapter m0" || fail "the message does not name the adapter: $out"
echo "$out" | grep -q -F "setcap cap_net_raw,cap_net_admin=eip $work/kestio-cli-plain" \
  || fail "the message does not give the setcap line for this program: $out"

cp "$gui" "$work/KestIO_Test"
chmod 755 "$work/KestIO_Test"
mkdir -m 700 "$work/runtime" && chown nobody "$work/runtime"
out=$(as_nobody env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" HOME="$work" \
      KESTIO_MESSAGES=stderr timeout 20 "$work/KestIO_Test" 2>&1)
status=$?
[ $status -eq 1 ] || fail "KestIO_Test without the capability exited with $status: $out"
echo "$out" | grep -q "没有安装驱动程序！" || fail "KestIO_Test did not say 没有安装驱动程序！: $out"
echo "$out" | grep -q -F "setcap cap_net_raw,cap_net_admin=eip $work/KestIO_Test" \
  || fail "KestIO_Test did not give the setcap line: $out"
echo "PASSED: granted kestio-cli lists the cards as nobody; without the capability both programs say how to grant it"
