#!/usr/bin/env bash
# Plays the game headless on the do-nothing GL for many frames of seeded random mouse input and
# checks every 1000 frames what must always hold (the particle pool, finite positions inside their
# bounds, energy, score and limits in range, the state dump reading back). Ends with
#   soak: N frames, F frames/s, games G, rss growth K KB, problems P
# and exits non-zero on any problem. A failing run leaves its mouse as build*/soak-S.demo, which
# `gloopa --timedemo` replays up to the failure (a crashed run leaves it up to its last complete
# line).
#
#   scripts/soak.sh [--frames N] [--seed S] [--asan]
#
# --asan uses the sanitizer build (ASan + UBSan); its allocator holds freed memory in quarantine,
# so resident memory is reported there but not held against the run.
set -euo pipefail
cd "$(dirname "$0")/.."

frames=1000000
seed=1
asan=0
while [ $# -gt 0 ]; do
  case "$1" in
  --frames) frames=$2; shift 2 ;;
  --seed) seed=$2; shift 2 ;;
  --asan) asan=1; shift ;;
  *)
    echo "usage: scripts/soak.sh [--frames N] [--seed S] [--asan]" >&2
    exit 2
    ;;
  esac
done

scripts/setup-deps.sh
extra=()
if [ "$asan" -eq 1 ]; then
  build=build-sanitize
  [ -f $build/CMakeCache.txt ] ||
    cmake -S . -B $build -DCMAKE_BUILD_TYPE=Debug -DGLOOPA_SANITIZE=ON -DGLOOPA_BENCH=OFF >/dev/null
  extra=(--no-rss-check)
else
  build=build
  [ -f $build/CMakeCache.txt ] || cmake -S . -B $build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build $build -j"$(nproc)" --target gloopa_soak >/dev/null

demo=$PWD/$build/soak-$seed.demo
rm -f "$demo" "$demo.part"
status=0
(cd $build/bin && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 \
  ./gloopa_soak --frames "$frames" --seed "$seed" --demo "$demo" "${extra[@]}") || status=$?
if [ "$status" -ne 0 ] && [ -f "$demo.part" ]; then
  # The run died before it could finish its demo: what it recorded is complete up to its last line.
  mv "$demo.part" "$demo"
  echo "soak: the run ended with status $status; its mouse up to then is in $demo" >&2
fi
exit "$status"
