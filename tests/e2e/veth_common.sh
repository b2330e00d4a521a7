# Sourced by the veth scripts: a network namespace holding a veth pair (master end m0,
# slave end s0), a work folder, and kestio-sim on the slave end. Everything is removed on
# exit; a script adds its own clean-up in e2e_before_cleanup. Exits 77 (skipped) with a
# line saying why where namespaces cannot be made.
# KESTIO_E2E_KEEP=DIR keeps the logs and captures in DIR.

fail() {
  echo "FAILED: $*"
  exit 1
}

e2e_cleanup() {
  declare -F e2e_before_cleanup > /dev/null && e2e_before_cleanup
  exec 3>&- 2> /dev/null
  [ -n "$sim_pid" ] && kill "$sim_pid" 2> /dev/null && wait "$sim_pid" 2> /dev/null
  ip netns del "$ns" 2> /dev/null
  [ -z "${KESTIO_E2E_KEEP:-}" ] && rm -rf "$work"
}

# e2e_namespace NAME [TOOL…]: the namespace kestio-NAME-PID with the pair up in it.
e2e_namespace() {
  local tool
  if [ "$(id -u)" -ne 0 ]; then
    echo "SKIPPED: creating a network namespace needs root"
    exit 77
  fi
  for tool in "${@:2}"; do
    command -v "$tool" > /dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
  done
  ns="kestio-$1-$$"
  if ! ip netns add "$ns" 2> /dev/null; then
    echo "SKIPPED: this machine does not allow 'ip netns add'"
    exit 77
  fi
  work=${KESTIO_E2E_KEEP:-$(mktemp -d)}
  sim_pid=
  trap e2e_cleanup EXIT
  master_end=m0
  slave_end=s0
  ip -n "$ns" link add "$master_end" type veth peer name "$slave_end" || fail "no veth pair"
  ip -n "$ns" link set "$master_end" up
  ip -n "$ns" link set "$slave_end" up
}

# e2e_start_simulator ARG…: kestio-sim on the slave end, its output in $work/sim.log and
# its standard input from the pipe $sim_input when set (this shell keeps it open on fd 3);
# returns once it answers.
e2e_start_simulator() {
  [ -n "${sim_input:-}" ] && mkfifo "$sim_input"
  ip netns exec "$ns" "$simulator" --iface "$slave_end" "$@" < "${sim_input:-/dev/null}" > "$work/sim.log" 2>&1 &
  sim_pid=$!
  [ -n "${sim_input:-}" ] && exec 3> "$sim_input"
  for _ in $(seq 1 100); do
    grep -q "answering" "$work/sim.log" && return 0
    kill -0 "$sim_pid" 2> /dev/null || { cat "$work/sim.log"; fail "kestio-sim ended early"; }
    sleep 0.05
  done
  cat "$work/sim.log"
  fail "kestio-sim did not answer within 5 s"
}
