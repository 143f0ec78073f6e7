#!/usr/bin/env bash
# Installs what is missing, builds the game and its tests, and runs the whole suite twice:
# once in the normal build and once in the sanitizer build (ASan + UBSan).
# --quick skips the sanitizer pass.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

if [ "${1:-}" != "--quick" ]; then
  cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DGLOOPA_SANITIZE=ON -DGLOOPA_BENCH=OFF >/dev/null
  cmake --build build-sanitize -j"$jobs"
  # One llvmpipe render thread: LeakSanitizer's exit-time scan can crash while the driver's worker
  # threads are being torn down.
  LP_NUM_THREADS=1 ASAN_OPTIONS=detect_leaks=1 \
    ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
fi
