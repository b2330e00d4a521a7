#!/bin/bash
# Ctrl-C in the middle of a check run: the run stops, says the cards are safe, exits 2 and
# leaves no card of the cut run in the results database.
set -u
cli=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() {
    echo "FAILED: $*"
    exit 1
}

"$cli" --simulate='KOVA-AD*4' check all --db "$dir/results.sqlite" >"$dir/out" 2>"$dir/err" &
pid=$!
sleep 0.8
kill -INT $pid
wait $pid
rc=$?
[ $rc = 2 ] || fail "a stopped run exits $rc, not 2: $(cat "$dir/err")"
grep -q "stopped by Ctrl-C" "$dir/err" || fail "no word of the stop: $(cat "$dir/err")"
grep -q "back in their safe state" "$dir/out" || fail "no word of the safe state"
grep -q "settings.read" "$dir/out" && fail "the run went on to its last group"
[ "$("$cli" history --db "$dir/results.sqlite" | wc -l)" = 1 ] || fail "a card of the cut run was recorded"
echo "check stopped by Ctrl-C: ok"
