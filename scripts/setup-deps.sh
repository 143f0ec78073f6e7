#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing and packaging Gloopa need, by
# group (setup-deps.sh play installs only what building and playing needs). Runs apt-get as root
# or through sudo; on other systems it prints the list.
set -euo pipefail

# The packages by group: what building and playing needs (play), what the tests need (test),
# what the Windows package and its tests under Wine need (windows), and what the web page and
# its tests need (web).
ALL_GROUPS=(play test windows web)
PLAY=(
  build-essential cmake pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev mesa-common-dev libgl1-mesa-dri
  libopenal-dev libopenal1 libcli11-dev zlib1g-dev libpng-dev
)
TEST=(
  clang libclang-rt-14-dev nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xfonts-base xdotool x11-utils libx11-dev imagemagick sox
  desktop-file-utils appstream dpkg-dev file lintian
)
WINDOWS=(g++-mingw-w64-x86-64 libz-mingw-w64-dev wine wine64 nsis)
# The web page (scripts/build-web.sh, scripts/serve-web.sh) and its tests in headless Chromium
# (tests/web/web-tests.sh): the compiler, a server, the browser and the node that drives it.
WEB=(emscripten python3 chromium nodejs)

usage() {
  echo "usage: setup-deps.sh [--list] [GROUP...]   groups: ${ALL_GROUPS[*]} (default: all)" >&2
  exit 2
}

list=0
if [ "${1:-}" = "--list" ]; then
  list=1
  shift
fi
[ $# -eq 0 ] && set -- "${ALL_GROUPS[@]}"
PACKAGES=()
for group in "$@"; do
  case "$group" in
  play) PACKAGES+=("${PLAY[@]}") ;;
  test) PACKAGES+=("${TEST[@]}") ;;
  windows) PACKAGES+=("${WINDOWS[@]}") ;;
  web) PACKAGES+=("${WEB[@]}") ;;
  *) usage ;;
  esac
done

if [ $list -eq 1 ]; then
  printf '%s\n' "${PACKAGES[@]}"
  exit 0
fi

if ! command -v apt-get >/dev/null 2>&1 || ! command -v dpkg-query >/dev/null 2>&1; then
  echo "Not a Debian system. Install the equivalents of these packages:" >&2
  printf '  %s\n' "${PACKAGES[@]}" >&2
  exit 0
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  echo "Need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
