#!/usr/bin/env bash
# Prints a hash of the frame that a build draws at each of a fixed set of demo steps (timed
# replays, every step drawn), one "DEMO STEP HASH" line each, so that two builds' pictures can be
# compared: scripts/frame-hashes.sh OLD/bin > old.txt; scripts/frame-hashes.sh NEW/bin > new.txt;
# diff old.txt new.txt. Extra arguments go to every run (--immediate, --no-interpolation, ...).
set -euo pipefail
bin=${1:?usage: frame-hashes.sh BIN_DIR [OPTION...]}
shift
demos="$(cd "$(dirname "$0")/../tests/world/demos" && pwd)"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
while read -r demo steps; do
  for step in $steps; do
    "$bin/gloopa" --headless --windowed --timedemo "$demos/$demo" --frames "$step" \
      --screenshot "$step" "$out/shot.png" "$@" >/dev/null 2>&1
    # The pixels only: PNG metadata may differ between encoders.
    echo "$demo $step $(convert "$out/shot.png" rgb:- | md5sum | cut -d' ' -f1)"
  done
done <<'LIST'
start.demo 1
steer_shoot.demo 1 2 20 41
lose.demo 2 150 420 1500 3000 4500 5999 6000
long.demo 240 480 1000 3000 7000 10001
stress.demo 3000 6028 6200 6302
LIST
