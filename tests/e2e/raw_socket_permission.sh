#!/usr/bin/env bash
# The raw-socket permission as an operator meets it: kestio-cli and KestIO_Test run as an
# unprivileged user over a veth pair, with and without the capability set by setcap.
# Needs root (namespaces, setcap, changing user); exits 77 (skipped) with a line otherwise.
set -u -o pipefail
cli=$1
simulator=$2
gui=$3
source "$(dirname "$0")/veth_common.sh"
e2e_namespace cap setcap getcap setpriv
chmod 755 "$work"
as_nobody() { ip netns exec "$ns" setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
e2e_start_simulator --slaves ZEIO,KOVA-H

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
