#!/usr/bin/env bash
# Fails when an include in src/ points up a layer: each folder may include its own headers and
# those of the folders below it, and nothing else of the game's.
#   check-layers.sh [SRC_DIR]
set -euo pipefail
src=${1:-"$(dirname "$0")/../src"}

declare -A below=(
  [platform]=""
  [gl]=""
  [assets]="platform gl"
  [text]="assets platform gl"
  [particles]="assets platform gl"
  [sound]="platform"
  [creatures]="particles text assets platform gl"
  [world]="creatures particles text sound assets platform gl"
  [shell]="world creatures particles text sound assets platform gl"
)

status=0
for dir in "$src"/*/; do
  layer=$(basename "$dir")
  if [ -z "${below[$layer]+set}" ]; then
    echo "check-layers: src/$layer is no known layer" >&2
    status=1
    continue
  fi
  allowed=" $layer ${below[$layer]} "
  while IFS=: read -r file line include; do
    target=${include#*\"}
    target=${target%%/*}
    if [[ "$allowed" != *" $target "* ]]; then
      echo "check-layers: ${file#"$src"/}:$line includes $target/, above or beside $layer" >&2
      status=1
    fi
  done < <(grep -rnE '^#include "[a-z]+/' "$dir" --include='*.h' --include='*.cpp' || true)
done
[ $status -eq 0 ] && echo "check-layers: every include points down"
exit $status
