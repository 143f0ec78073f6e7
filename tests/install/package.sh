#!/usr/bin/env bash
# Builds the Debian package with cpack and checks its contents, its dependencies (which come from
# the libraries the game links), its version, that lintian finds nothing to warn of, and that the
# game it installs plays a kept demo to the kept state.
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
  ./usr/share/gloopa/alsoft.conf ./usr/share/doc/gloopa/copyright \
  ./usr/share/doc/gloopa/changelog.gz ./usr/share/lintian/overrides/gloopa \
  ./usr/share/applications/gloopa.desktop ./usr/share/man/man6/gloopa.6.gz \
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
[ "$(grep '^\./usr/bin/.' "$work/contents.txt")" = ./usr/bin/gloopa ] ||
  fail "/usr/bin holds more than the game: $(grep '^\./usr/bin/.' "$work/contents.txt")"
root=$(cd "$(dirname "$0")/../.." && pwd)
version=$(sed -n 's/^project(gloopa VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version)"

# No error and no warning (an override needs its reason in the package's override file).
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" >"$work/lintian.txt" 2>&1 ||
    { cat "$work/lintian.txt" >&2; fail "lintian"; }
  echo "lintian: $(grep -vc 'running with root privileges' "$work/lintian.txt") tags"
fi

# Unpacked into a scratch root, the installed game plays a kept demo to the kept state.
dpkg-deb -x "$deb" "$work/root"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null ASAN_OPTIONS=detect_leaks=0
(cd "$work" && "$work/root/usr/bin/gloopa" --headless --windowed \
  --verify "$root/tests/world/demos/steer_shoot.demo" --statdump dump.json >out.txt 2>err.txt) ||
  fail "the packaged game: $(cat "$work/err.txt")"
cmp "$work/dump.json" "$root/tests/world/dumps/steer_shoot.json" || fail "the packaged game's dump differs"
grep -q '^verify: 41 steps, 1 checks, all equal$' "$work/out.txt" || fail "verify: $(cat "$work/out.txt")"
echo "package OK"
