#!/usr/bin/env bash
# kestio-cli adapters inside a network namespace lists a veth end with its MAC.
# Needs root (network namespaces); exits 77 (skipped) with a line saying why otherwise.
set -u
cli=$1
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: creating a network namespace needs root"
  exit 77
fi
ns="kestio-adapters-$$"
if ! ip netns add "$ns" 2>/dev/null; then
  echo "SKIPPED: this machine does not allow 'ip netns add'"
  exit 77
fi
trap 'ip netns del "$ns" 2>/dev/null' EXIT
end_a="kad$$a"
end_b="kad$$b"
ip -n "$ns" link add "$end_a" type veth peer name "$end_b" || exit 1
ip -n "$ns" link set "$end_a" up
ip -n "$ns" link set "$end_b" up
mac=$(ip -n "$ns" -o link show "$end_a" | grep -o 'link/ether [0-9a-f:]*' | cut -d' ' -f2)
out=$(ip netns exec "$ns" "$cli" adapters) || { echo "kestio-cli adapters failed"; exit 1; }
echo "$out"
if ! echo "$out" | grep -i -E "^[0-9]+ +$end_a\b.* $mac\$" >/dev/null; then
  echo "FAILED: $end_a with MAC $mac is not listed"
  exit 1
fi
if echo "$out" | grep -E "^[0-9]+ +lo\b" >/dev/null; then
  echo "FAILED: the loopback interface is listed"
  exit 1
fi
echo "PASSED: $end_a listed with $mac"
