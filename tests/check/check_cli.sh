#!/bin/bash
# kestio-cli's check and history commands as a line engineer runs them: printed plans load
# back, a broken plan is refused with its line and exit 2, the database path is shown.
set -u
cli=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() {
    echo "FAILED: $*"
    exit 1
}

for model in ZEIO KOVA-H KOVA-16IO KOVA-AD; do
    "$cli" check --print-plan "$model" >"$dir/$model.toml" || fail "--print-plan $model"
    "$cli" check --plan "$dir/$model.toml" --validate >>"$dir/digests" || fail "printed $model plan refused"
done
cat "$dir"/*.toml >"$dir/all.toml"
"$cli" check --plan "$dir/all.toml" --validate >>"$dir/digests" || fail "four-model plan refused"
# each printed plan is the built-in one, so every digest is the same
[ "$(sed 's/.*digest //' "$dir/digests" | sort -u | wc -l)" = 1 ] || fail "digests differ: $(cat "$dir/digests")"

printf '[ZEIO.analog]\n\nsamples = 0\n' >"$dir/bad.toml"
"$cli" check --plan "$dir/bad.toml" --validate 2>"$dir/err"
rc=$?
[ $rc = 2 ] || fail "a broken plan exits $rc, not 2"
grep -qx "$dir/bad.toml:3: ZEIO.analog.samples: 0 is out of range (1 to 10000)" "$dir/err" || fail "$(cat "$dir/err")"
"$cli" check --print-plan ZEIX 2>/dev/null && fail "unknown model printed"

XDG_DATA_HOME="$dir/data" "$cli" check --help | grep -q "^results database: $dir/data/kestio-test/results.sqlite" ||
    fail "--help does not show the database path"
[ "$("$cli" history --db "$dir/nothing.sqlite")" = "no results yet in $dir/nothing.sqlite" ] || fail "history of no file"
"$cli" history --last 0 2>/dev/null && fail "--last 0 taken"
"$cli" history --db none 2>/dev/null && fail "history without a database"
echo "check and history commands: ok"
