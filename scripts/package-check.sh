#!/usr/bin/env bash
# Installs the built package, checks the programs run from /usr/bin with the raw-socket
# capability, and removes the package again. Needs root; skipped with a line otherwise.
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
for program in KestIO_Test kestio-cli kestio-sim; do
  getcap "/usr/bin/$program" | grep -q "cap_net_admin,cap_net_raw=eip" || fail "/usr/bin/$program has no raw-socket capability"
done
[ -f /usr/share/applications/kestio-test.desktop ] || fail "no desktop entry"
[ -f /usr/share/icons/hicolor/scalable/apps/kestio-test.svg ] || fail "no icon"
[ -f /usr/include/kestio_firmware.h ] || fail "no /usr/include/kestio_firmware.h"
remove
trap - EXIT
[ ! -e /usr/bin/kestio-cli ] || fail "the package did not remove /usr/bin/kestio-cli"
echo "PASSED: $(basename "$deb"), $size bytes, installed in ${installed_ms} ms, removed again"
