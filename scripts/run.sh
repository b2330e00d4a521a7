#!/usr/bin/env bash
# Builds KestIO_Test and starts it on the simulated bus of the four cards.
# Arguments go to the program, e.g. scripts/run.sh --simulate=ZEIO,KOVA-H
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target KestIO_Test
if [ $# -eq 0 ]; then
  set -- --simulate
fi
exec build/src/app/KestIO_Test "$@"
