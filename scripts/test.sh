#!/usr/bin/env bash
# Builds and runs every test, then again under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)

echo "== formatting"
bash scripts/check-format.sh

echo "== build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"

echo "== tests"
ctest --test-dir build --output-on-failure -j "$jobs"

if command -v clang++ >/dev/null; then
  echo "== lock annotations of the master core, checked by clang"
  CC=clang CXX=clang++ cmake -S . -B build-clang -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DKESTIO_THREAD_SAFETY_ANALYSIS=ON -DKESTIO_BENCH=OFF
  cmake --build build-clang --target ecat -j "$jobs"
fi

echo "== Debian package: build, install, run from /usr/bin, remove"
bash scripts/package-check.sh

echo "== build with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTIO_SANITIZE=ON
cmake --build build-asan -j "$jobs"

echo "== tests under the sanitizers"
# leaks inside system libraries (e.g. libdbus) are suppressed, never ours
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan-system-libraries.supp:print_suppressions=0 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"
