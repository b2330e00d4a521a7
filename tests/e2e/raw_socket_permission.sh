#!/usr/bin/env bash
# Raw access as the package sets it up: only the adapter helper holds cap_net_raw, and only
# members of its group may run it. Over a veth pair, with a throw-away group and user:
# a user outside the group cannot run the helper and is told how to get access; a member
# scans the bus with kestio-cli and runs kestio-sim through the helper; no program holds a
# capability when it loads a firmware library (a probe library records the sets), root's
# runs included; KestIO_Test holds none while it runs.
# Needs root (namespaces, users, setcap); exits 77 (skipped) with a line otherwise.
set -u -o pipefail
cli=$1
simulator=$2
gui=$3
helper=$4
probe=$5
sii=$6
source "$(dirname "$0")/veth_common.sh"
e2e_namespace cap setcap getcap setpriv useradd groupadd
chmod 755 "$work"
group="kestio-e2e-$$"
member="kestio-e2e-$$"
e2e_before_cleanup() {
  userdel "$member" 2> /dev/null
  groupdel "$group" 2> /dev/null
}
groupadd --system "$group" || fail "groupadd failed"
useradd --system --no-create-home --shell /usr/sbin/nologin --gid nogroup --groups "$group" "$member" \
  || fail "useradd failed"

# the installed layout: bin/ and libexec/kestio-test/ side by side
mkdir -p "$work/bin" "$work/libexec/kestio-test" "$work/home"
cp "$cli" "$work/bin/kestio-cli"
cp "$simulator" "$work/bin/kestio-sim"
cp "$gui" "$work/bin/KestIO_Test"
cp "$probe" "$work/probe.so"
cp "$sii" "$work/probe.bin"
chmod 755 "$work"/bin/* "$work/probe.so" "$work/libexec" "$work/libexec/kestio-test"
chmod 644 "$work/probe.bin"
chmod 777 "$work/home"
helper_copy="$work/libexec/kestio-test/kestio-adapter-open"
cp "$helper" "$helper_copy"
chown "root:$group" "$helper_copy"
chmod 0750 "$helper_copy"
setcap cap_net_raw=ep "$helper_copy" || fail "setcap failed"
record="$work/capabilities.txt"
: > "$record"
chmod 666 "$record"

in_ns() { ip netns exec "$ns" env KESTIO_CAPABILITY_RECORD="$record" HOME="$work/home" XDG_RUNTIME_DIR="$work/home" \
  QT_QPA_PLATFORM=offscreen KESTIO_MESSAGES=stderr "$@"; }
# setpriv keeps its capabilities until its own exec, which would pass any permission check:
# a shell without any runs the program
as_outsider() { in_ns setpriv --reuid=nobody --regid=nogroup --clear-groups sh -c 'exec "$@"' sh "$@"; }
as_member() { in_ns setpriv --reuid="$member" --regid=nogroup --init-groups sh -c 'exec "$@"' sh "$@"; }
firmware="firmware=$work/probe.so,sii=$work/probe.bin"

# outside the group
out=$(as_outsider "$helper_copy" m0 2>&1) && fail "nobody ran the helper: $out"
echo "$out" | grep -q "Permission denied" || fail "running the helper as nobody did not fail for permission: $out"
out=$(as_outsider "$work/bin/kestio-cli" --adapter m0 slaves 2>&1)
status=$?
[ $status -eq 1 ] || fail "kestio-cli as nobody exited with $status: $out"
echo "$out" | grep -q "adapter m0" || fail "the message does not name the adapter: $out"
echo "$out" | grep -q -F "sudo usermod -aG kestio nobody" || fail "the message does not say how to get access: $out"
out=$(as_outsider timeout 20 "$work/bin/KestIO_Test" 2>&1)
status=$?
[ $status -eq 1 ] || fail "KestIO_Test as nobody exited with $status: $out"
echo "$out" | grep -q "没有安装驱动程序！" || fail "KestIO_Test did not say 没有安装驱动程序！: $out"
echo "$out" | grep -q -F "sudo usermod -aG kestio nobody" || fail "KestIO_Test did not say how to get access: $out"

# firmware libraries are loaded without a capability: kestio-sim on the interface (root, and
# the member through the helper), kestio-cli and KestIO_Test on the simulated bus as root
in_ns "$work/bin/kestio-sim" --iface s0 --slave "$firmware" > "$work/sim-root.log" 2>&1
as_member "$work/bin/kestio-sim" --iface s0 --slave "$firmware" > "$work/sim-member.log" 2>&1
in_ns "$work/bin/kestio-cli" --simulate="$firmware" slaves > "$work/cli-root.log" 2>&1
in_ns timeout 20 "$work/bin/KestIO_Test" --simulate="$firmware" > "$work/gui-root.log" 2>&1
for program in kestio-sim kestio-cli KestIO_Test; do
  grep -q "^$program " "$record" || fail "$program did not load the probe library: $(cat "$record" "$work"/*.log)"
done
[ "$(grep -c . "$record")" -eq 4 ] || fail "expected four records: $(cat "$record")"
grep -v " 0000000000000000 0000000000000000$" "$record" && fail "a firmware library ran with a capability"

# a member of the group: the simulator and the master both open their ends through the helper
sim_member_start() {
  as_member "$work/bin/kestio-sim" --iface s0 --slaves ZEIO,KOVA-H > "$work/sim.log" 2>&1 &
  sim_pid=$!
  for _ in $(seq 1 100); do
    grep -q "answering" "$work/sim.log" && return 0
    kill -0 "$sim_pid" 2> /dev/null || fail "kestio-sim as a member ended early: $(cat "$work/sim.log")"
    sleep 0.05
  done
  fail "kestio-sim as a member did not answer: $(cat "$work/sim.log")"
}
sim_member_start
out=$(as_member "$work/bin/kestio-cli" --adapter m0 slaves 2>&1) || fail "kestio-cli as a member: $out"
[ "$(echo "$out" | grep -c PREOP)" -eq 2 ] || fail "a member did not see the two cards: $out"

# KestIO_Test holds no capability while it runs, as a member and as root. A root process
# starts with every capability and gives them up first thing in main, before any thread
# exists: a second thread shows that main has gone past that point.
for runner in as_member in_ns; do
  $runner timeout 10 "$work/bin/KestIO_Test" > "$work/gui.log" 2>&1 &
  gui_pid=$!
  sets=
  for _ in $(seq 1 100); do
    pid=$(pgrep -n -f "^$work/bin/KestIO_Test")
    if [ -n "$pid" ] && [ "$(ls "/proc/$pid/task" 2> /dev/null | wc -l)" -ge 2 ]; then
      sets=$(grep -E "^Cap(Prm|Eff):" "/proc/$pid/status" | awk '{print $2}' | tr '\n' ' ')
      break
    fi
    sleep 0.1
  done
  kill "$(pgrep -n -f "^$work/bin/KestIO_Test")" 2> /dev/null
  wait "$gui_pid" 2> /dev/null
  [ "$sets" = "0000000000000000 0000000000000000 " ] || fail "KestIO_Test ($runner) held capabilities: '$sets' $(cat "$work/gui.log")"
  grep -q "message box" "$work/gui.log" && fail "KestIO_Test ($runner) did not start: $(cat "$work/gui.log")"
done
echo "PASSED: only members run the helper; a member scans the bus; no firmware library and no KestIO_Test ran with a capability"
