#!/usr/bin/env bash
# Tests the Windows package under Wine on a virtual X display:
#   - every demo in tests/world/demos/ verifies (--verify: each of its checks equal, nothing drawn)
#     and leaves a --statdump byte for byte equal to the Linux build's;
#   - without sphere.txt the game reports the load failure in three lines and exits with 1;
#   - --version and --help answer and exit with 0, with their output redirected to files;
#   - started with no standard handles on a console (as cmd starts a GUI program), the game's
#     --version reaches that console;
#   - gloopa.exe carries its icon (16, 32, 48 and 256 px, each one Windows decodes), the version
#     strings and numbers of CMakeLists.txt's project version, and its manifest, read back by
#     resource_probe (tests/windows/ResourceProbe.cpp, cross-compiled here);
#   - the installer (gloopa-setup.exe beside the zip), run with /S in a fresh prefix, installs
#     into %LOCALAPPDATA%\Programs\Gloopa a game that verifies steer_shoot.demo to Linux's dump,
#     with a Start menu shortcut naming --desktop and an uninstall entry of the project version;
#     its uninstaller, run as the entry's QuietUninstallString, leaves none of the folder, the
#     shortcut or the entry, and leaves the player's %APPDATA%\Gloopa alone.
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
setup=$(dirname "$zip")/gloopa-setup.exe
[ -f "$setup" ] || { echo "wine-tests: no installer at $setup" >&2; exit 1; }
[ -x "$linux_bin/gloopa" ] || { echo "wine-tests: no Linux build at $linux_bin" >&2; exit 1; }
# shellcheck source=tests/support/linux-reference.sh
. "$root/tests/support/linux-reference.sh"

export WINEPREFIX=${GLOOPA_WINEPREFIX:-$cache/wine-prefix}
export WINEDEBUG=-all
# No Mono or Gecko installers while the prefix is made; nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
wine=$(command -v wine64 || command -v wine || true)
[ -n "$wine" ] || { echo "wine-tests: wine is not installed" >&2; exit 1; }

work=$(mktemp -d)
shared_prefix=$WINEPREFIX
cleanup() {
  WINEPREFIX=$shared_prefix wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$work/install-prefix wineserver -k >/dev/null 2>&1 || true
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

# Wine's Z: drive is the Unix root.
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# Runs the game under Wine from its folder; stdout and stderr go to $work/out, $work/err.
run_wine() {
  (cd "$1" && shift && timeout 1800 "$wine" ./gloopa.exe "$@" >"$work/out" 2>"$work/err")
}

# Verifies a demo on both builds and compares the dumps. A desync is reported at the first check
# that differs, with the step.
# The game's folder is $game unless GAME_DIR names another.
compare_demo() {
  local name=$1 demo=$2 dir=${GAME_DIR:-$game}
  shift 2
  local ref=$work/$name.linux.json win=$work/$name.windows.json
  linux_dump "$demo" "$ref" "$@"
  local linux_rc=$?
  local start
  start=$(date +%s)
  run_wine "$dir" --headless --windowed --verify "$(winpath "$demo")" \
    --statdump "$(winpath "$win")" "$@"
  local rc=$? seconds=$(($(date +%s) - start))
  if [ $linux_rc -ne 0 ]; then
    fail "$name" "the Linux build exited with $linux_rc"
  elif [ $rc -ne 0 ]; then
    fail "$name" "exited with $rc under Wine: $(tr -d '\r' <"$work/err" | tail -n 3)"
  else
    compare_with_linux "$name" "$(tr -d '\r' <"$work/out" | grep -o '^verify: .*'), ${seconds} s under Wine" \
      "$ref" "$win" "$root/build-windows/dump-diffs" "$name" windows
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

version_commas=$version.0
probe=$work/resource_probe.exe
if ! x86_64-w64-mingw32-g++ -std=c++20 -municode -O2 -Wall -Wextra -static \
  -o "$probe" "$root/tests/windows/ResourceProbe.cpp" -lversion 2>"$work/probe.log"; then
  fail "resource probe" "does not build: $(cat "$work/probe.log")"
else
  "$wine" "$probe" console "$(winpath "$game/gloopa.exe")" --version 2>/dev/null |
    tr -d '\r' >"$work/console"
  if grep -qx "status 0" "$work/console" && grep -qx "console gloopa $version" "$work/console"; then
    pass "--version on a console with no standard handles reaches the console"
  else
    fail "console" "$(cat "$work/console")"
  fi

  "$wine" "$probe" resources "$(winpath "$game/gloopa.exe")" 2>/dev/null | tr -d '\r' >"$work/resources"
  problems=""
  for size in 16 32 48 256; do
    grep -qx "icon ${size}x$size 32-bit decoded" "$work/resources" || problems+=" no ${size} px icon;"
  done
  for line in "fixed $version_commas" "version ProductName=Gloopa" \
    "version FileVersion=$version" "version ProductVersion=$version" \
    "version CompanyName=The Gloopa developers"; do
    grep -qxF "$line" "$work/resources" || problems+=" no \"$line\";"
  done
  grep -q "^version FileDescription=." "$work/resources" || problems+=" no FileDescription;"
  grep -q "^version LegalCopyright=.*MIT licence" "$work/resources" || problems+=" no MIT licence;"
  for part in ">PerMonitorV2, PerMonitor<" ">true/pm<" ">UTF-8</activeCodePage>" \
    e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
    4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
    8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
    grep -qF -- "$part" "$work/resources" || problems+=" manifest lacks $part;"
  done
  if [ -z "$problems" ]; then
    pass "resources: icon at 16, 32, 48, 256 px, version $version, manifest"
  else
    fail "resources" "$problems"
  fi
fi

# The installer, in a prefix of its own that the run throws away.
export WINEPREFIX=$work/install-prefix
mkdir -p "$WINEPREFIX"
start=$(date +%s)
"$wine" wineboot --init >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }
wineserver -w
echo "wine-tests: install prefix made in $(($(date +%s) - start)) s"
# A Windows path of the prefix as a Unix one.
unixpath() { "$wine" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Gloopa'
appdata=$(unixpath "$("$wine" cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')")
installed=$(unixpath "$("$wine" cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')")/Programs/Gloopa
shortcut="$appdata/Microsoft/Windows/Start Menu/Programs/Gloopa.lnk"
"$wine" "$setup" /S >/dev/null 2>&1
rc=$?
wineserver -w
if [ $rc -ne 0 ] || [ ! -f "$installed/gloopa.exe" ]; then
  fail "installer" "status $rc; no $installed/gloopa.exe"
else
  missing=$(cd "$game" && for f in *; do cmp -s "$f" "$installed/$f" || echo -n " $f"; done)
  [ -z "$missing" ] && pass "installer /S: every file of the zip in %LOCALAPPDATA%\\Programs\\Gloopa" ||
    fail "installer" "not installed as in the zip:$missing"
  GAME_DIR=$installed compare_demo "installed game" "$root/tests/world/demos/steer_shoot.demo"
  if [ -f "$shortcut" ] && strings -e l "$shortcut" | grep -qx -- "--desktop"; then
    pass "Start menu shortcut, starting the game with --desktop"
  else
    fail "shortcut" "no $shortcut naming --desktop"
  fi
  "$wine" reg query "$key" 2>/dev/null | tr -d '\r' >"$work/entry"
  problems=""
  for value in "DisplayName REG_SZ Gloopa" "DisplayVersion REG_SZ $version" \
    "Publisher REG_SZ The Gloopa developers" "NoModify REG_DWORD 0x1" "NoRepair REG_DWORD 0x1" \
    'DisplayIcon REG_SZ .*\\gloopa\.exe,0' 'UninstallString REG_SZ ".*\\uninstall\.exe"' \
    'QuietUninstallString REG_SZ ".*\\uninstall\.exe" /S' "EstimatedSize REG_DWORD 0x0*[1-9a-f][0-9a-f]*"; do
    awk '{$1=$1; print}' "$work/entry" | grep -qx -- "$value" || problems+=" no $value;"
  done
  if [ -z "$problems" ]; then
    pass "uninstall entry: Gloopa $version, its icon, size and quiet uninstaller"
  else
    fail "uninstall entry" "$problems in: $(cat "$work/entry")"
  fi

  # The player's settings are no part of the install.
  mkdir -p "$appdata/Gloopa"
  echo kept >"$appdata/Gloopa/settings.ini"
  quiet=$(sed -n 's/^ *QuietUninstallString *REG_SZ *"\(.*\)" \/S$/\1/p' "$work/entry")
  "$wine" "$quiet" /S >/dev/null 2>&1
  wineserver -w
  left=""
  [ -e "$installed" ] && left+=" the folder ($(ls "$installed" | tr '\n' ' '))"
  [ -e "$shortcut" ] && left+=" the shortcut;"
  "$wine" reg query "$key" >/dev/null 2>&1 && left+=" the uninstall entry;"
  [ -f "$appdata/Gloopa/settings.ini" ] || left+=" and it removed the player's settings"
  if [ -n "$quiet" ] && [ -z "$left" ]; then
    pass "uninstaller /S: folder, shortcut and entry gone, the player's settings kept"
  else
    fail "uninstaller" "uninstaller '$quiet' left$left"
  fi
fi

echo "wine: $passed passed, $failed failed"
[ $failed -eq 0 ]
