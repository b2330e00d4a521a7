#!/usr/bin/env bash
# Builds the Debian package kestio-test_<version>_amd64.deb into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
(cd build && cpack -G DEB)
ls -l build/kestio-test_*.deb
