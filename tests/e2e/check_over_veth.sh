#!/usr/bin/env bash
# kestio-cli check against kestio-sim's cards over a veth pair: a clean bus passes; a card fault
# typed into the simulator fails exactly the check that should catch it, naming the channel, and
# the record says so; cleared again, the card passes.
# Needs root (network namespaces); exits 77 (skipped) with a line saying why otherwise.
set -u -o pipefail
cli=$1
simulator=$2
source "$(dirname "$0")/veth_common.sh"
e2e_namespace check
sim_input=$work/faults
e2e_start_simulator --slaves ZEIO,KOVA-H

run_check() { # JSON-FILE
  ip netns exec "$ns" "$cli" --adapter "$master_end" check all --db none --json "$1" > "$work/check.txt" 2>&1
}

run_check "$work/clean.json"
status=$?
[ "$status" -eq 0 ] || { cat "$work/check.txt"; fail "a clean bus exited $status, not 0"; }

echo "stuck 1 out 3 1" >&3
sleep 0.2
run_check "$work/fault.json"
status=$?
[ "$status" -eq 1 ] || { cat "$work/check.txt"; fail "a stuck output exited $status, not 1"; }
failed=$(grep -c "^card .* FAIL$" "$work/check.txt")
grep -q "^card 1 .* digital.out3_in3 .*stuck.* FAIL$" "$work/check.txt" && [ "$failed" -eq 1 ] \
  || { cat "$work/check.txt"; fail "expected only digital.out3_in3 of card 1 to fail, $failed checks failed"; }
python3 - "$work/fault.json" <<'PY' || fail "the JSON record does not show the one failed check"
import json, sys
run = json.load(open(sys.argv[1]))
verdicts = {c["position"]: c["verdict"] for c in run["cards"]}
failed = [k["name"] for c in run["cards"] for k in c["checks"] if k["verdict"] == "fail"]
assert verdicts == {0: "pass", 1: "fail"}, verdicts
assert failed == ["digital.out3_in3"], failed
PY

echo "card-ok 1" >&3
sleep 0.2
run_check "$work/cleared.json"
status=$?
[ "$status" -eq 0 ] || { cat "$work/check.txt"; fail "after card-ok the check exited $status, not 0"; }
echo "PASSED: clean, one stuck output found on its channel, clean again"
