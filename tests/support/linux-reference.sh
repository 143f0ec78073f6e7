# shellcheck shell=bash
# Shared by tests/windows/wine-tests.sh and tests/web/web-tests.sh, which source it once they have
# checked the Linux build in $linux_bin: the PASS and FAIL lines with their counts, and the Linux
# build as the reference another build's state dumps must equal byte for byte.

passed=0
failed=0
pass() { echo "PASS $1"; passed=$((passed + 1)); }
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }

# The simulation build leaves the very state dumps of the real one (the Linux tests hold it to
# that) in a fraction of the time, so it makes the references when it is there.
linux_game=gloopa
# shellcheck disable=SC2154 # linux_bin is the sourcing script's
[ -x "$linux_bin/gloopa_sim" ] && linux_game=gloopa_sim

# The Linux build's state dump of the demo file DEMO, into DUMP; further arguments go to the game.
linux_dump() {
  local demo=$1 dump=$2
  shift 2
  (cd "$linux_bin" && SDL_VIDEODRIVER=offscreen "./$linux_game" --headless --windowed \
    --verify "$demo" --statdump "$dump" "$@" >/dev/null 2>&1)
}

# Passes LABEL, with DETAIL, when DUMP equals the Linux build's dump REF; otherwise keeps both in
# the folder DIFFS, as NAME.linux.json and NAME.PLATFORM.json, and fails.
compare_with_linux() {
  local label=$1 detail=$2 ref=$3 dump=$4 diffs=$5 name=$6 platform=$7
  if cmp -s "$ref" "$dump"; then
    pass "$label: $detail; state dump equal to Linux's ($(stat -c %s "$ref") bytes)"
  else
    mkdir -p "$diffs"
    cp "$ref" "$diffs/$name.linux.json"
    cp "$dump" "$diffs/$name.$platform.json"
    fail "$label" "state dumps differ (both kept in $diffs/)"
  fi
}
