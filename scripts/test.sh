#!/usr/bin/env bash
# Installs what is missing, builds the game and its tests, and runs the whole suite twice:
# once in the normal build and once in the sanitizer build (ASan + UBSan). In between, when the
# MinGW-w64 cross compiler and Wine are installed, it cross-builds the Windows package and tests
# it under Wine (tests/windows/wine-tests.sh); GLOOPA_SKIP_WINDOWS=1 leaves that out. Likewise,
# with emscripten and Chromium, the web page (tests/web/web-tests.sh; GLOOPA_SKIP_WEB=1).
# --quick skips the sanitizer pass.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLOOPA_TESTS=ON -DGLOOPA_BENCH=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# Builds a package with BUILD and, when that worked, tests it with the command that follows;
# status 75 from BUILD means its libraries' sources could not be fetched: said, and not tested.
package_tests() {
  local what=$1 build=$2 start status=0
  shift 2
  start=$(date +%s)
  "$build" || status=$?
  if [ $status -eq 75 ]; then
    echo "$what not tested: the sources of its libraries could not be fetched"
  elif [ $status -ne 0 ]; then
    exit $status
  else
    "$@"
    echo "$what built and tested in $(($(date +%s) - start)) s"
  fi
}

if [ "${GLOOPA_SKIP_WINDOWS:-0}" != 1 ] && command -v x86_64-w64-mingw32-g++ >/dev/null &&
  command -v wine >/dev/null; then
  package_tests "Windows package (under Wine)" scripts/build-windows.sh \
    tests/windows/wine-tests.sh build-windows/gloopa-win64.zip build/bin
fi

# The web page in headless Chromium, when emscripten and Chromium are installed
# (GLOOPA_SKIP_WEB=1 leaves it out).
if [ "${GLOOPA_SKIP_WEB:-0}" != 1 ] && command -v emcc >/dev/null && command -v chromium >/dev/null &&
  command -v node >/dev/null; then
  package_tests "Web page (in headless Chromium)" scripts/build-web.sh \
    tests/web/web-tests.sh build-web build/bin
fi

if [ "${1:-}" != "--quick" ]; then
  cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DGLOOPA_SANITIZE=ON -DGLOOPA_BENCH=OFF >/dev/null
  cmake --build build-sanitize -j"$jobs"
  # One llvmpipe render thread: LeakSanitizer's exit-time scan can crash while the driver's worker
  # threads are being torn down.
  LP_NUM_THREADS=1 ASAN_OPTIONS=detect_leaks=1 \
    ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
fi
