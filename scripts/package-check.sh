#!/usr/bin/env bash
# Installs the built package, checks owner, group, mode and capabilities of every program it
# installs (only the adapter helper holds one, for the group kestio), runs kestio-cli from
# /usr/bin, and removes the package again. Needs root; skipped with a line otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: installing a package needs root"
  exit 0
fi
if dpkg-query -W -f='${Status}' kestio-test 2>/dev/null | grep -q "install ok installed"; then
  echo "FAILED: kestio-test is already installed; remove it first (apt-get remove kestio-test)"
  exit 1
fi
(cd build && cpack -G DEB > /dev/null)
deb=$(ls build/kestio-test_*_amd64.deb)
size=$(stat -c %s "$deb")
start=$(date +%s%N)
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$deb" > build/package-install.log 2>&1 \
  || { cat build/package-install.log; echo "FAILED: the package did not install"; exit 1; }
installed_ms=$((($(date +%s%N) - start) / 1000000))
remove() { DEBIAN_FRONTEND=noninteractive apt-get remove -y -q kestio-test > /dev/null 2>&1 || true; }
trap remove EXIT
fail() { echo "FAILED: $*"; exit 1; }
out=$(/usr/bin/kestio-cli --simulate=ZEIO slaves) || fail "/usr/bin/kestio-cli failed"
echo "$out" | grep -q "ZEIO" || fail "kestio-cli --simulate=ZEIO slaves listed: $out"
# path, owner:group, mode, capabilities (getcap's words; empty for none)
expect_file() {
  local path=$1 owner=$2 mode=$3 caps=$4 seen
  [ -f "$path" ] || fail "$path is not installed"
  seen=$(stat -c %U:%G "$path")
  [ "$seen" = "$owner" ] || fail "$path belongs to $seen, not $owner"
  seen=$(stat -c %a "$path")
  [ "$seen" = "$mode" ] || fail "$path has mode $seen, not $mode"
  seen=$(getcap "$path" | awk '{print $2}')
  [ "$seen" = "$caps" ] || fail "$path has capabilities '$seen', not '$caps'"
  echo "  $path $owner $mode ${caps:-no capabilities}"
}
getent group kestio > /dev/null || fail "the package did not create the group kestio"
for program in KestIO_Test kestio-cli kestio-sim; do
  expect_file "/usr/bin/$program" root:root 755 ""
done
expect_file /usr/libexec/kestio-test/kestio-adapter-open root:kestio 750 cap_net_raw=ep
installed=$(dpkg -L kestio-test | while read -r f; do if [ -f "$f" ] && [ -x "$f" ]; then echo "$f"; fi; done | LC_ALL=C sort | tr '\n' ' ')
[ "$installed" = "/usr/bin/KestIO_Test /usr/bin/kestio-cli /usr/bin/kestio-sim /usr/libexec/kestio-test/kestio-adapter-open " ] \
  || fail "the package installs other programs than the four checked: $installed"
[ -f /usr/share/applications/kestio-test.desktop ] || fail "no desktop entry"
[ -f /usr/share/icons/hicolor/scalable/apps/kestio-test.svg ] || fail "no icon"
[ -f /usr/include/kestio_firmware.h ] || fail "no /usr/include/kestio_firmware.h"
remove
trap - EXIT
[ ! -e /usr/bin/kestio-cli ] || fail "the package did not remove /usr/bin/kestio-cli"
echo "PASSED: $(basename "$deb"), $size bytes, installed in ${installed_ms} ms, removed again"
