#!/usr/bin/env bash
# Pictures of the main window with one page of each kind, for the README: starts
# KestIO_Test --simulate on Xvfb, which searches the simulated bus, selects each card,
# shows each tab once and saves the window into docs/screenshots/<page class>.png, and the
# AD clock dialog into CADcfgclkDlg.png. Fails, naming the page and the widgets, when a
# picture shows a control drawn over another or a text cut off.
# Run it again whenever a page changes.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target KestIO_Test

work=$(mktemp -d)
mkdir -m 700 "$work/runtime"
display=":$((500 + RANDOM % 400))"
Xvfb "$display" -screen 0 1280x900x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 1 50); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.1
done

out=docs/screenshots
mkdir -p "$out"
rm -f "$out"/*.png
# a fresh settings folder: the simulated bus is the adapter, as on a first start
DISPLAY=$display XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config LANG=C.UTF-8 QT_QPA_PLATFORM=xcb \
  timeout 120 build/src/app/KestIO_Test --simulate --ad-clock --screenshots="$out" || {
  echo "screenshots.sh: a page is not drawn whole (see above), or the tour did not end" >&2
  exit 1
}
ls -l "$out"
du -ch "$out"/*.png | tail -1
