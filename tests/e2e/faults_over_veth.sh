#!/usr/bin/env bash
# kestio-cli against kestio-sim's four cards over a veth pair, with faults typed into the
# simulator while the master works:
#   faults_over_veth.sh CLI SIM readback PAIRS BURSTS   write/read-back pairs on the four cards at
#       10 % loss with a 'corrupt 5' every second for BURSTS s; fails on any wrong read-back
#   faults_over_veth.sh CLI SIM loss SECONDS            uploads during 'drop 0.3' for SECONDS s, then
#       'drop 0': prints the longest call and how long until all four identities are back
# Needs root (network namespaces); exits 77 (skipped) with a line saying why otherwise.
set -u -o pipefail
cli=$1
simulator=$2
mode=${3:-readback}
source "$(dirname "$0")/veth_common.sh"
e2e_namespace faults
feeder_pid=
e2e_before_cleanup() { [ -n "$feeder_pid" ] && kill "$feeder_pid" 2>/dev/null; }
# the simulator reads its faults from a pipe that this script keeps open on fd 3
sim_input=$work/faults
e2e_start_simulator --slaves ZEIO,KOVA-H,KOVA-16IO,KOVA-AD

# Runs a kestio-cli script, each output line prefixed with the time it appeared (s).
run_timed() {
  # stdbuf preloads its library ahead of a sanitizer build's runtime: let that be
  ip netns exec "$ns" env ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" \
    stdbuf -oL "$cli" --adapter "$master_end" run "$1" --keep-going 2>&1 |
    while IFS= read -r line; do echo "$EPOCHREALTIME $line"; done
}

if [ "$mode" = readback ]; then
  pairs=${4:-400}
  bursts=${5:-4}
  objects=("0x3032:01 u16 4000" "0x2320:00 u32 1073741824" "0x2300:00 u16 65000" "0x3032:02 u16 4000")
  {
    echo "slaves"
    for ((k = 1; k <= pairs; ++k)); do
      card=$((k % 4))
      read -r object type modulo <<< "${objects[$card]}"
      echo "download $card $object $(((k * 7919 + card) % modulo)) --type $type"
      echo "upload $card $object --type $type"
    done
  } > "$work/script.txt"
  # the faults begin once the master has listed the four cards
  { until grep -q "(3) KOVA-AD" "$work/out.txt" 2>/dev/null; do sleep 0.05; done
    echo "drop 0.1"; for ((i = 0; i < bursts; ++i)); do echo "corrupt 5"; sleep 1; done; } >&3 &
  feeder_pid=$!
  run_timed "$work/script.txt" > "$work/out.txt"
  # Walks the script beside the output: a read-back is wrong when the card cannot hold it
  # (the last value written, or after a failed write possibly the one before).
  awk '
    FNR == NR { lines[FNR] = $0; count = FNR; next }
    / failed: / { sub(/^[^ ]+ line /, ""); split($0, f, " "); failed[f[1] + 0] = 1; next }
    / := | = / { outputs[++produced] = $0 }
    END {
      taken = 0
      for (n = 1; n <= count; ++n) {
        split(lines[n], w, " ")
        if (w[1] != "download" && w[1] != "upload") continue
        key = w[2] " " w[3]
        if (w[1] == "download") {
          if (n in failed) { if (known[key] != "") known[key] = known[key] " " w[4] }
          else { taken++; known[key] = w[4] }
          continue
        }
        pairs++
        if (n in failed) { failures++; continue }
        split(outputs[++taken], o, " ")
        value = o[4]
        if (known[key] != "" && index(" " known[key] " ", " " value " ") == 0) {
          wrong++
          print "wrong read-back at script line " n ": " lines[n] " gave " value ", card may hold " known[key]
        }
        known[key] = value
      }
      printf "%d pairs, %d read back, %d wrong read-backs, %d failed read-backs\n", pairs, pairs - failures, wrong, failures
      exit (wrong > 0)
    }' "$work/script.txt" "$work/out.txt" || fail "wrong read-backs over the veth"
  echo "PASSED"
  exit 0
fi

[ "$mode" = loss ] || fail "unknown mode '$mode'"
seconds=${4:-25}
{
  echo "slaves"
  # an upload and a look at the identities every 10 ms or so, through the loss and 6 s after
  for ((k = 0; k < (seconds + 7) * 100; ++k)); do
    echo "upload $((k % 4)) 0x1009:00 --type str"
    echo "slaves"
    echo "sleep 5"
  done
} > "$work/script.txt"
{ until grep -q "(3) KOVA-AD" "$work/out.txt" 2>/dev/null; do sleep 0.05; done
  echo "drop 0.3"; sleep "$seconds"; echo "drop 0"; date +%s.%N > "$work/loss_ended"; } >&3 &
feeder_pid=$!
run_timed "$work/script.txt" > "$work/out.txt"
wait "$feeder_pid"
feeder_pid=
ended=$(cat "$work/loss_ended")
awk -v ended="$ended" '
  # an upload takes from the line before its answer to its answer
  / 0x1009:00 = |^[^ ]+ error / { gap = $1 - previous; if (previous && gap > longest) longest = gap }
  { previous = $1 }
  # the first listing after the loss with four complete identities
  /^[^ ]+ \(0\) / { good = 0 }
  /^[^ ]+ \([0-9]+\) .*\(VID:/ { if ($1 < ended) next
                                   if ($0 !~ /VID:00000000/ && $0 !~ /ERROR/) good++
                                   if (good == 4 && !back) back = $1 - ended }
  END { printf "longest call %.3f s; identities back %.3f s after the loss ended\n", longest, back
        exit (back == 0) }' "$work/out.txt" || fail "the identities did not come back"
echo "PASSED"
