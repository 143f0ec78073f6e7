#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Gloopa needs.
# Runs apt-get as root or through sudo; on other systems it prints the list.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config clang libclang-rt-14-dev
  libsdl2-dev libgl-dev libglu1-mesa-dev mesa-common-dev libgl1-mesa-dri
  libopenal-dev libopenal1
  libcli11-dev nlohmann-json3-dev libpng-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xfonts-base xdotool x11-utils libx11-dev imagemagick sox
  desktop-file-utils appstream dpkg-dev file lintian
  # The Windows package and installer (scripts/build-windows.sh) and their tests under Wine.
  g++-mingw-w64-x86-64 libz-mingw-w64-dev wine wine64 nsis
  # --- web ---
  # The web page (scripts/build-web.sh, scripts/serve-web.sh) and its tests in headless Chromium
  # (tests/web/web-tests.sh): the compiler, a server, the browser and the node that drives it.
  emscripten python3 chromium nodejs
  # --- end web ---
)

if [ "${1:-}" = "--list" ]; then
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
