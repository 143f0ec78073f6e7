#!/usr/bin/env bash
# Installs what is missing, builds the game and runs it. Arguments go to the game.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh play
# The game alone: the tests and benchmarks need packages a player does not.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLOOPA_TESTS=OFF -DGLOOPA_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target gloopa
exec build/bin/gloopa "$@"
