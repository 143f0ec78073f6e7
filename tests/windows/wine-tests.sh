#!/usr/bin/env bash
# Tests the Windows package under Wine on a virtual X display:
#   - every demo in tests/world/demos/ verifies (--verify: each of its checks equal, nothing drawn)
#     and leaves a --statdump byte for byte equal to the Linux build's;
#   - without sphere.txt the game reports the load failure in three lines and exits with 1;
#   - --version and --help answer and exit with 0.
# Usage: tests/windows/wine-tests.sh [ZIP] [LINUX_BIN_DIR]
#   (defaults: build-windows/gloopa-win64.zip and build/bin, whose gloopa makes the references).
# Run it under xvfb-run, or it starts one itself. The Wine prefix lives in GLOOPA_WINEPREFIX
# (default: wine-prefix in the cross build's cache), made on first use.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
zip=$(realpath "${1:-$root/build-windows/gloopa-win64.zip}")
linux_bin=$(realpath "${2:-$root/build/bin}")
cache=${GLOOPA_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/gloopa-windows}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$zip" "$linux_bin"
fi

[ -f "$zip" ] || { echo "wine-tests: no package at $zip" >&2; exit 1; }
[ -x "$linux_bin/gloopa" ] || { echo "wine-tests: no Linux build at $linux_bin" >&2; exit 1; }
# The simulation build leaves the very state dumps of the real one (the Linux tests hold it to
# that) in a fraction of the time, so it makes the references when it is there.
linux_game=gloopa
[ -x "$linux_bin/gloopa_sim" ] && linux_game=gloopa_sim

export WINEPREFIX=${GLOOPA_WINEPREFIX:-$cache/wine-prefix}
export WINEDEBUG=-all
# No Mono or Gecko installers while the prefix is made; nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
wine=$(command -v wine64 || command -v wine || true)
[ -n "$wine" ] || { echo "wine-tests: wine is not installed" >&2; exit 1; }

work=$(mktemp -d)
cleanup() {
  WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine-tests: making the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  start=$(date +%s)
  "$wine" wineboot --init >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }
  wineserver -w
  echo "wine-tests: prefix made in $(($(date +%s) - start)) s"
fi

(cd "$work" && cmake -E tar xf "$zip") || exit 1
game=$work/gloopa-win64
[ -f "$game/gloopa.exe" ] || { echo "wine-tests: the package holds no gloopa-win64/gloopa.exe" >&2; exit 1; }

passed=0
failed=0
pass() { echo "PASS $1"; passed=$((passed + 1)); }
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }

# Wine's Z: drive is the Unix root.
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# Runs the packaged game under Wine from its folder; stdout and stderr go to $work/out, $work/err.
run_wine() {
  (cd "$1" && shift && timeout 1800 "$wine" ./gloopa.exe "$@" >"$work/out" 2>"$work/err")
}

# Verifies a demo on both builds and compares the dumps. A desync is reported at the first check
# that differs, with the step.
compare_demo() {
  local name=$1 demo=$2
  shift 2
  local ref=$work/$name.linux.json win=$work/$name.windows.json
  (cd "$linux_bin" && SDL_VIDEODRIVER=offscreen "./$linux_game" --headless --windowed \
    --verify "$demo" --statdump "$ref" "$@" >/dev/null 2>&1)
  local linux_rc=$?
  local start
  start=$(date +%s)
  run_wine "$game" --headless --windowed --verify "$(winpath "$demo")" \
    --statdump "$(winpath "$win")" "$@"
  local rc=$? seconds=$(($(date +%s) - start))
  if [ $linux_rc -ne 0 ]; then
    fail "$name" "the Linux build exited with $linux_rc"
  elif [ $rc -ne 0 ]; then
    fail "$name" "exited with $rc under Wine: $(tr -d '\r' <"$work/err" | tail -n 3)"
  elif cmp -s "$ref" "$win"; then
    pass "$name: $(tr -d '\r' <"$work/out" | grep -o '^verify: .*'); state dump equal to Linux's ($(stat -c %s "$win") bytes), ${seconds} s under Wine"
  else
    mkdir -p "$root/build-windows/dump-diffs"
    cp "$ref" "$root/build-windows/dump-diffs/$name.linux.json"
    cp "$win" "$root/build-windows/dump-diffs/$name.windows.json"
    fail "$name" "state dumps differ (both kept in build-windows/dump-diffs/)"
  fi
}

for demo in "$root"/tests/world/demos/*.demo; do
  compare_demo "$(basename "$demo" .demo)" "$demo"
done

# A missing model: the loader's three lines and status 1. Windows' text-mode stderr doubles the
# carriage returns, so the lines are compared without them.
cp -r "$game" "$work/no_sphere"
rm "$work/no_sphere/sphere.txt"
run_wine "$work/no_sphere" --headless --windowed --frames 5
rc=$?
expected=$'Problem reading file sphere.txt\nException : No such file or directory\nEnsure all files in same folder, press Ok to terminate'
if [ $rc -ne 1 ]; then
  fail "missing model" "status $rc, not 1"
elif ! tr -d '\r' <"$work/err" | grep -qzF "$expected"; then
  fail "missing model" "message not found in: $(cat "$work/err")"
else
  pass "missing model: three-line message, status 1"
fi

run_wine "$game" --version
rc=$?
version=$(sed -n 's/^project(gloopa VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
if [ $rc -eq 0 ] && grep -q "$version" "$work/out"; then
  pass "--version: $(tr -d '\r' <"$work/out" | head -n 1)"
else
  fail "--version" "status $rc, output: $(cat "$work/out" "$work/err")"
fi

run_wine "$game" --help
rc=$?
if [ $rc -eq 0 ] && grep -q -- "--timedemo" "$work/out" && grep -q -- "--verify" "$work/out"; then
  pass "--help"
else
  fail "--help" "status $rc, output: $(cat "$work/out" "$work/err")"
fi

echo "wine: $passed passed, $failed failed"
[ $failed -eq 0 ]
