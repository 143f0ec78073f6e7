#!/usr/bin/env bash
# Builds the Debian package with cpack and checks its contents and its dependencies, which come
# from the libraries the game links.
#   package.sh <build dir>
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.txt" 2>&1 ||
  { cat "$work/cpack.txt" >&2; fail "cpack"; }
deb=$(ls "$work"/*.deb)
[ -f "$deb" ] || fail "no package"
dpkg-deb -c "$deb" | awk '{print $6}' | sort >"$work/contents.txt"
cat "$work/contents.txt"
for f in ./usr/bin/gloopa ./usr/share/gloopa/jelly.txt ./usr/share/gloopa/sphere.txt \
  ./usr/share/gloopa/SphereTile8x8.txt ./usr/share/gloopa/CircleFade8x8.txt \
  ./usr/share/gloopa/SphereGlow64.bmp ./usr/share/gloopa/RingFade64.bmp \
  ./usr/share/applications/gloopa.desktop ./usr/share/man/man6/gloopa.6 \
  ./usr/share/metainfo/io.github.gloopa.gloopa.metainfo.xml \
  ./usr/share/icons/hicolor/48x48/apps/gloopa.png ./usr/share/icons/hicolor/256x256/apps/gloopa.png; do
  grep -qx -- "$f" "$work/contents.txt" || fail "the package lacks $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libsdl2 libstdc++6 zlib1g; do
  echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = gloopa ] || fail "package name"
dpkg-deb -f "$deb" Recommends | grep -q libopenal1 || fail "OpenAL is not recommended"
echo "package OK"
