#!/usr/bin/env bash
# Runs every fuzzer of the game for SECONDS each (default 60): the model file, the bitmap, the
# RIFF wave and the demo readers. Each starts from the seeds the build copies beside it (the files
# in data/, the game's clips, the tests' demos and any inputs kept as regressions) and keeps what it
# finds in build/fuzz/NAME_corpus. A crashing input is saved as build/fuzz/NAME-crash-* and the
# fuzzer is started again for the time left, so one fault does not end the run.
#
#   scripts/fuzz.sh [SECONDS] [--runs N] [--parallel]
#
# --runs N ends each target after N executions instead (or at SECONDS, if also given, whichever
# comes first); a run counted in executions can be paused with SIGSTOP and resumed without losing
# any of its budget. --parallel runs the targets side by side instead of one after another. Prints
# one line per target, "fuzz: NAME E execs, S s, C crashes", and exits non-zero when any target
# crashed.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: scripts/fuzz.sh [SECONDS] [--runs N] [--parallel]" >&2
  exit 2
}
seconds=
runs=0
parallel=0
while [ $# -gt 0 ]; do
  case "$1" in
  --parallel) parallel=1 ;;
  --runs)
    [ $# -ge 2 ] || usage
    case "$2" in '' | *[!0-9]*) usage ;; esac
    runs=$2
    shift
    ;;
  '' | *[!0-9]*) usage ;;
  *) seconds=$1 ;;
  esac
  shift
done
# Without a budget in executions the default is a minute; with one, no time limit unless given.
if [ -z "$seconds" ]; then
  if [ "$runs" -gt 0 ]; then seconds=0; else seconds=60; fi
fi

targets=(FuzzModelParser FuzzBitmapDecoder FuzzWaveReader FuzzDemoReader)
scripts/setup-deps.sh
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target "${targets[@]}" >/dev/null
dir=build/fuzz

# One target for the whole time; writes its summary line to $dir/NAME.summary.
run_target() {
  local name=$1 execs=0 crashes=0 start now left log status ran before after
  local -a budget
  log=$dir/$name.log
  start=$(date +%s)
  while :; do
    now=$(date +%s)
    budget=()
    if [ "$seconds" -gt 0 ]; then
      left=$((seconds - (now - start)))
      [ "$left" -gt 0 ] || break
      budget+=(-max_total_time="$left")
    fi
    if [ "$runs" -gt 0 ]; then
      [ "$execs" -lt "$runs" ] || break
      budget+=(-runs=$((runs - execs)))
    fi
    before=$(find "$dir" -maxdepth 1 -name "$name-*" -type f | wc -l)
    status=0
    "$dir/$name" "${budget[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$dir/$name-" "$dir/${name}_corpus" "$dir/${name}_seeds" \
      >"$log" 2>&1 || status=$?
    # The executions of this run: libFuzzer's final statistics, or its last status line.
    ran=$(grep -a 'stat::number_of_executed_units:' "$log" | tail -1 | awk '{print $2}')
    if [ -z "$ran" ]; then
      ran=$(grep -aoE '^#[0-9]+' "$log" | tail -1 | tr -d '#')
    fi
    execs=$((execs + ${ran:-0}))
    after=$(find "$dir" -maxdepth 1 -name "$name-*" -type f | wc -l)
    # A clean end that ran nothing would only start again the same way.
    [ "$status" -ne 0 ] || [ "${ran:-0}" -gt 0 ] || break
    if [ "$status" -ne 0 ]; then
      crashes=$((crashes + (after > before ? after - before : 1)))
      cp "$log" "$dir/$name.crash-$(date +%s).log"
    fi
  done
  echo "fuzz: $name $execs execs, $(($(date +%s) - start)) s, $crashes crashes" | tee "$dir/$name.summary"
}

if [ "$parallel" -eq 1 ]; then
  for name in "${targets[@]}"; do
    nice -n 10 bash -c "$(declare -f run_target); dir=$dir seconds=$seconds runs=$runs run_target $name" \
      >/dev/null &
  done
  wait
  for name in "${targets[@]}"; do cat "$dir/$name.summary"; done
else
  for name in "${targets[@]}"; do run_target "$name"; done
fi

for name in "${targets[@]}"; do
  grep -q ' 0 crashes$' "$dir/$name.summary" || exit 1
done
