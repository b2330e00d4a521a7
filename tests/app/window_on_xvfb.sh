#!/usr/bin/env bash
# The real KestIO_Test --simulate on an X server (Xvfb): the main window appears with its
# title and at least its minimum size, and keeps running with the simulated bus. (What the
# window shows is checked by the offscreen GUI tests.) Skipped with a line saying why where
# Xvfb or xdotool is missing.
set -u
program=$1
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
mkdir -m 700 "$work/runtime"
display=":$((90 + RANDOM % 400))"
Xvfb "$display" -screen 0 1280x900x24 >/dev/null 2>&1 &
xvfb=$!
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }
export DISPLAY=$display XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config LANG=C.UTF-8
unset QT_QPA_PLATFORM
sleep 0.5
"$program" --simulate > "$work/app.log" 2>&1 &
app=$!

window=
for _ in $(seq 1 100); do
  window=$(xdotool search --name "^KestIO卡测试工具$" 2>/dev/null | head -1)
  [ -n "$window" ] && break
  kill -0 "$app" 2>/dev/null || { cat "$work/app.log"; fail "KestIO_Test ended"; }
  sleep 0.1
done
[ -n "$window" ] || fail "no window titled KestIO卡测试工具"
echo "window $window: $(xdotool getwindowname "$window")"
sleep 2
kill -0 "$app" 2>/dev/null || { cat "$work/app.log"; fail "KestIO_Test ended while the bus ran"; }
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "geometry ${WIDTH}x${HEIGHT}"
[ "$WIDTH" -ge 900 ] && [ "$HEIGHT" -ge 640 ] || fail "window smaller than 900 x 640"
echo "PASSED: the main window is up on $display with its title"
