#!/usr/bin/env bash
# A long session of the real KestIO_Test --simulate on Xvfb, as an operator would have it:
# xdotool presses 搜索从站 once the first scan has ended (the window's log says when), then
# every few seconds shows the next tab of the selected card, or selects the next card after
# its last tab, round after round over every card of the simulated bus. Every 10 s it
# samples the program's RSS (kB, VmRSS), thread count and CPU % from /proc/PID/{status,stat}
# and prints a table row; at the end it closes the window with Escape, as a user on the
# keyboard would, and prints one JSON line.
#
#   scripts/gui-long-run.sh --minutes 20
#   scripts/gui-long-run.sh --seconds 40 --step 1 --sample 5 --warm-up 10
#
# Options: --minutes N or --seconds N (fractions allowed; default 10 minutes; a run goes on,
# up to twice as long, until it has a sample after warm-up), --step S
# (seconds between switches, default 3), --sample S (default 10), --warm-up S (default 60),
# --rss-tolerance KB (default 1024), --models LIST (the simulated bus, default
# ZEIO,KOVA-H,KOVA-16IO,KOVA-AD), --program PATH (default build/src/app/KestIO_Test),
# --log FILE (keep the program's standard error there), --help, --no-rss-bound (for
# sanitizer builds: AddressSanitizer keeps freed memory in quarantine, so RSS tells nothing
# there; its LeakSanitizer checks at exit instead).
#
# It fails (exit 1, with a line saying why) when
#   - the program ends before it is closed, or does not exit with status 0 after Escape;
#   - any message box appears (the run asks for none; KESTIO_MESSAGES=stderr prints each);
#   - a switch is not followed by the page it asked for, or the run misses a tab of a card
#     (KESTIO_WINDOW_LOG=stderr makes the window name each page it shows);
#   - RSS grows after warm-up by more than 1024 kB per 10 minutes, pro rata, or by more than
#     the tolerance (1024 kB) when that is larger. Warm-up ends at the first sample after both
#     the warm-up time and one full round over every card and tab, so that every page has
#     been built and drawn once. The tolerance covers what a short run cannot tell from a
#     leak: allocator arenas and caches that settle in steps of a few hundred kB;
#   - the thread count after warm-up rises above the highest count seen until then.
# Exit 77 (skipped) when Xvfb or xdotool is missing.
set -u
cd "$(dirname "$0")/.."

usage() { sed -n '2,/^set -u/p' "$0" | grep '^#' | sed 's/^# \{0,1\}//'; }
seconds=600 step=3 sample=10 warm_up=60 tolerance_kb=1024 wait_s=20
models=ZEIO,KOVA-H,KOVA-16IO,KOVA-AD program=build/src/app/KestIO_Test keep_log= rss_bound=1
while [ $# -gt 0 ]; do
  case $1 in
    --minutes) seconds=$(awk -v m="$2" 'BEGIN { printf "%.3f", m * 60 }'); shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --step) step=$2; shift 2 ;;
    --sample) sample=$2; shift 2 ;;
    --warm-up) warm_up=$2; shift 2 ;;
    --rss-tolerance) tolerance_kb=$2; shift 2 ;;
    --models) models=$2; shift 2 ;;
    --program) program=$2; shift 2 ;;
    --log) keep_log=$2; shift 2 ;;
    --no-rss-bound) rss_bound=; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "unknown argument '$1'"; usage; exit 2 ;;
  esac
done
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
[ -x "$program" ] || { echo "FAILED: no program at $program (build it first)"; exit 1; }

IFS=, read -r -a card_models <<< "$models"
cards=${#card_models[@]}
work=$(mktemp -d)
mkdir -m 700 "$work/runtime"
log=$work/stderr.log
app= xvfb=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  [ -n "$keep_log" ] && cp "$log" "$keep_log" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

now() { echo "${EPOCHREALTIME/,/.}"; }
# true when a > b for decimal numbers
later() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }
failures=()
fail() { failures+=("$*"); echo "FAILED: $*"; }

# Xvfb picks a free display itself and writes its number
Xvfb -displayfd 3 -screen 0 1280x900x24 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAILED: Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -1 "$work/display")" XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config \
  LANG=C.UTF-8 KESTIO_MESSAGES=stderr KESTIO_WINDOW_LOG=stderr
unset QT_QPA_PLATFORM

"$program" --simulate="$models" >"$work/stdout.log" 2>"$log" &
app=$!
started=$(now)
window=
for _ in $(seq 1 300); do
  window=$(xdotool search --name "^KestIO卡测试工具$" 2>/dev/null | head -1)
  [ -n "$window" ] && break
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$window" ]; then
  tail -20 "$log"
  echo "FAILED: no window titled KestIO卡测试工具"
  exit 1
fi
xdotool windowfocus --sync "$window"
echo "KestIO_Test (pid $app) on $DISPLAY: $models, $seconds s, a switch every $step s"

# --- the tour: keys, then the page the window must report -------------------------------
focus=adapter card=-1 tab=0 tabs=0 rounds=0 switches=0 bus_ready=
bus_until=$(awk -v t="$(now)" -v w="$wait_s" 'BEGIN { printf "%.3f", t + w }')
expect= expect_from=0 expect_until=0 expect_keys=
press() { [ $# -eq 0 ] || xdotool key --delay 40 "$@"; expect_keys="$*"; }
focus_list() {
  case $focus in adapter) press Tab Tab Tab "$@" ;; search) press Tab "$@" ;; tabs) press shift+Tab "$@" ;; *) press "$@" ;; esac
  focus=list
}
focus_tabs() {
  case $focus in adapter) press Tab Tab Tab Tab "$@" ;; search) press Tab Tab "$@" ;; list) press Tab "$@" ;; *) press "$@" ;; esac
  focus=tabs
}
expect_page() {
  expect="page shown: card $1 \"[^\"]*\" model [^ ]* tab $2/"
  expect_until=$(awk -v t="$(now)" -v w="$wait_s" 'BEGIN { printf "%.3f", t + w }')
}
next_switch() {
  # the page may be reported before the keys have returned
  expect_from=$(wc -l < "$log")
  if [ "$card" -lt 0 ]; then
    press Tab Tab space # from the adapter field to 搜索从站
    focus=search
    expect_page 0 1
  elif [ "$tab" -lt "$tabs" ]; then
    focus_tabs Right
    expect_page "$card" $((tab + 1))
  elif [ "$cards" -gt 1 ]; then
    local next=$(((card + 1) % cards))
    if [ "$next" -eq 0 ]; then focus_list Home; else focus_list Down; fi
    expect_page "$next" 1
  else
    local lefts=()
    for _ in $(seq 2 "$tabs"); do lefts+=(Left); done
    focus_tabs "${lefts[@]}"
    expect_page "$card" 1
  fi
  switches=$((switches + 1))
}
# true when the expected page has been shown; takes its card, tab and tab count
page_reached() {
  local line
  line=$(tail -n +$((expect_from + 1)) "$log" | grep -m1 -E "$expect") || return 1
  local shown_card=${line#*page shown: card }
  shown_card=${shown_card%% *}
  local position=${line##* tab }
  position=${position%% *}
  # from the last tab of the last card back to the first card: every page has been shown
  [ "$card" -eq "$((cards - 1))" ] && [ "$tab" -eq "$tabs" ] && [ "$shown_card" -eq 0 ] && rounds=$((rounds + 1))
  card=$shown_card tab=${position%/*} tabs=${position#*/}
  expect=
}

# --- the samples -------------------------------------------------------------------------
ticks_per_second=$(getconf CLK_TCK)
sample_times=() sample_rss=() sample_threads=() sample_ticks=()
warm=-1
take_sample() {
  local t rss threads stat rest
  t=$(awk -v a="$(now)" -v b="$started" 'BEGIN { printf "%.1f", a - b }')
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$app/status" 2>/dev/null) || return 1
  threads=$(awk '/^Threads:/ { print $2 }' "/proc/$app/status" 2>/dev/null) || return 1
  # an ended process not yet reaped has a status without memory
  [ -n "$rss" ] && [ -n "$threads" ] || return 1
  read -r stat < "/proc/$app/stat" || return 1
  rest=${stat##*) }
  read -r -a fields <<< "$rest"
  # utime and stime, fields 14 and 15 of stat
  local ticks=$((fields[11] + fields[12]))
  local cpu=-
  local n=${#sample_times[@]}
  if [ "$n" -gt 0 ]; then
    cpu=$(awk -v d="$((ticks - sample_ticks[n - 1]))" -v hz="$ticks_per_second" -v a="$t" -v b="${sample_times[n - 1]}" \
      'BEGIN { printf("%.1f", (a > b) ? 100 * d / hz / (a - b) : 0) }')
  fi
  sample_times+=("$t") sample_rss+=("$rss") sample_threads+=("$threads") sample_ticks+=("$ticks")
  local mark=
  if [ "$warm" -lt 0 ] && [ "$rounds" -ge 1 ] && ! later "$warm_up" "$t"; then
    warm=$n
    mark="  <- warm-up ends"
  fi
  printf '%8s %10s %8s %7s  %s/%s %s%s\n' "$t" "$rss" "$threads" "$cpu" "$((card + 1))" "$cards" "$tab/$tabs" "$mark"
}

printf '%8s %10s %8s %7s  %s\n' time_s rss_kb threads cpu_% card/tab
ended_early=
deadline=$(awk -v s="$started" -v d="$seconds" 'BEGIN { printf "%.3f", s + d }')
# on a busy machine a short run may not get through its first round in time: it goes on,
# up to twice as long, until a sample after warm-up exists
last_chance=$(awk -v s="$started" -v d="$seconds" 'BEGIN { printf "%.3f", s + 2 * d }')
next_sample=$started
next_step=$(awk -v s="$started" 'BEGIN { printf "%.3f", s + 1 }')
while :; do
  t=$(now)
  if ! kill -0 "$app" 2>/dev/null; then ended_early=1; break; fi
  if ! later "$next_sample" "$t"; then
    take_sample || { ended_early=1; break; }
    next_sample=$(awk -v a="$next_sample" -v s="$sample" 'BEGIN { printf "%.3f", a + s }')
  fi
  if later "$t" "$deadline"; then
    [ "$warm" -ge 0 ] && [ "$warm" -lt $((${#sample_times[@]} - 1)) ] && break
    later "$t" "$last_chance" && break
  fi
  if [ -z "$bus_ready" ]; then
    # 搜索从站 during the first scan only says that a scan is running: wait for its end
    if grep -q -x "KestIO_Test: bus: $cards slaves" "$log"; then
      bus_ready=1
    elif later "$t" "$bus_until"; then
      fail "the window did not report the bus with $cards slaves within $wait_s s"
      break
    fi
  elif [ -n "$expect" ]; then
    if page_reached; then
      next_step=$(awk -v a="$t" -v s="$step" 'BEGIN { printf "%.3f", a + s }')
    elif later "$t" "$expect_until"; then
      fail "after the keys '$expect_keys' the window did not show the page asked for ($expect) within $wait_s s"
      break
    fi
  elif ! later "$next_step" "$t"; then
    next_switch
  fi
  sleep 0.1
done
ran=$(awk -v a="$(now)" -v b="$started" 'BEGIN { printf "%.1f", a - b }')

# --- closing, as a user on the keyboard: Escape outside the pages closes the window --------
status=
if [ -n "$ended_early" ]; then
  wait "$app"
  status=$?
  app=
  fail "KestIO_Test ended after $ran s, before it was closed (status $status)"
else
  [ "$focus" = adapter ] || [ "$focus" = search ] || focus_list
  xdotool key Escape
  for _ in $(seq 1 $((wait_s * 10))); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$app" 2>/dev/null; then
    fail "KestIO_Test did not close within $wait_s s of Escape"
  else
    wait "$app"
    status=$?
    app=
    [ "$status" -eq 0 ] || fail "KestIO_Test exited with status $status after Escape"
  fi
fi

# --- what the run shows ----------------------------------------------------------------
boxes=$(grep -c '^message box "' "$log")
if [ "$boxes" -gt 0 ]; then
  grep '^message box "' "$log" | sort | uniq -c | head -5
  fail "$boxes message box(es) appeared; the run asked for none"
fi
# every card of the bus recognised as its model, every tab of its page set shown
coverage=$(awk -v cards="$cards" -v models="$models" '
  /page shown: card [0-9]/ {
    line = $0; sub(/.*page shown: card /, "", line)
    card = line + 0
    name = line; sub(/^[0-9]+ "\([0-9]+\) /, "", name); sub(/\(.*/, "", name)
    shown = line; sub(/.*" model /, "", shown); split(shown, part, " ")
    model[card] = part[1]; listed[card] = name
    split(part[3], position, "/"); tabs[card] = position[2]; seen[card, position[1] + 0] = 1
  }
  END {
    split(models, wanted, ",")
    for (c = 0; c < cards; ++c) {
      if (!(c in model)) { print "card " c " (" wanted[c + 1] ") was never shown"; continue }
      if (model[c] != wanted[c + 1] || listed[c] != wanted[c + 1])
        print "card " c " should be " wanted[c + 1] ": listed as " listed[c] ", shown as model " model[c]
      for (t = 1; t <= tabs[c]; ++t)
        if (!((c, t) in seen)) print "card " c " (" model[c] ") tab " t "/" tabs[c] " was never shown"
    }
  }' "$log")
[ -z "$coverage" ] || while IFS= read -r line; do fail "$line"; done <<< "$coverage"

n=${#sample_times[@]}
rss_start=null rss_warm=null rss_end=null growth=null bound=null threads_min=null threads_max=null cpu_mean=null
if [ "$n" -gt 0 ]; then
  rss_start=${sample_rss[0]} rss_end=${sample_rss[n - 1]}
  threads_min=$(printf '%s\n' "${sample_threads[@]}" | sort -n | head -1)
  threads_max=$(printf '%s\n' "${sample_threads[@]}" | sort -n | tail -1)
  cpu_mean=$(awk -v d="$((sample_ticks[n - 1] - sample_ticks[0]))" -v hz="$ticks_per_second" \
    -v a="${sample_times[n - 1]}" -v b="${sample_times[0]}" 'BEGIN { printf("%.1f", (a > b) ? 100 * d / hz / (a - b) : 0) }')
fi
if [ "$warm" -lt 0 ] || [ "$warm" -ge $((n - 1)) ]; then
  [ -n "$ended_early" ] || fail "no sample after warm-up ($warm_up s and one full round): run longer or switch faster"
else
  rss_warm=${sample_rss[warm]}
  growth=$((rss_end - rss_warm))
  if [ -n "$rss_bound" ]; then
    bound=$(awk -v s="${sample_times[n - 1]}" -v w="${sample_times[warm]}" -v tol="$tolerance_kb" \
      'BEGIN { b = 1024 * (s - w) / 600; printf("%d", (b > tol) ? b : tol) }')
    [ "$growth" -le "$bound" ] \
      || fail "RSS grew by $growth kB after warm-up (${sample_times[warm]} s to ${sample_times[n - 1]} s); the bound is $bound kB"
  fi
  warm_threads=$(printf '%s\n' "${sample_threads[@]:0:warm+1}" | sort -n | tail -1)
  late_threads=$(printf '%s\n' "${sample_threads[@]:warm+1}" | sort -n | tail -1)
  [ "$late_threads" -le "$warm_threads" ] \
    || fail "the thread count rose to $late_threads after warm-up (at most $warm_threads until then)"
fi

result=pass
if [ ${#failures[@]} -gt 0 ]; then
  result=fail
  echo "--- the program's standard error, without the page lines (last 40 lines):"
  grep -v "page shown: " "$log" | tail -40
fi
echo "{\"result\":\"$result\",\"seconds\":$ran,\"samples\":$n,\"rss_start_kb\":$rss_start,\"rss_warm_kb\":$rss_warm,\
\"rss_end_kb\":$rss_end,\"rss_growth_kb\":$growth,\"rss_bound_kb\":$bound,\"threads_min\":$threads_min,\
\"threads_max\":$threads_max,\"cpu_mean_percent\":$cpu_mean,\"message_boxes\":$boxes,\"switches\":$switches,\
\"rounds\":$rounds,\"exit_status\":${status:-null}}"
[ "$result" = pass ]
