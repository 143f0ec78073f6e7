#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a player's system would get: the
# layout, the desktop entry, the AppStream file, the icons, a man page naming every option, and
# the installed game running headless on its installed data (and only on that).
#   install_tree.sh <build dir>
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/gloopa share/applications/gloopa.desktop share/man/man6/gloopa.6.gz \
  share/metainfo/io.github.gloopa.gloopa.metainfo.xml share/gloopa/alsoft.conf \
  share/doc/gloopa/copyright share/doc/gloopa/changelog.gz \
  share/gloopa/jelly.txt share/gloopa/sphere.txt share/gloopa/SphereTile8x8.txt \
  share/gloopa/CircleFade8x8.txt share/gloopa/SphereGlow64.bmp share/gloopa/RingFade64.bmp; do
  [ -f "$prefix/$f" ] || fail "missing $f"
done
[ -x "$prefix/bin/gloopa" ] || fail "bin/gloopa is not executable"
# Nothing but the game in bin/: its data, OpenAL Soft's settings among them, is in share/gloopa.
[ "$(ls "$prefix/bin")" = gloopa ] || fail "bin/ holds more than the game: $(ls "$prefix/bin")"

for size in 16 24 32 48 64 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/gloopa.png
  [ -f "$icon" ] || fail "missing icon $size"
  file "$icon" | grep -q "PNG image data, $size x $size, 8-bit/color RGBA" ||
    fail "icon $size is not a $size x $size RGBA PNG: $(file "$icon")"
done

desktop-file-validate "$prefix/share/applications/gloopa.desktop" ||
  fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/io.github.gloopa.gloopa.metainfo.xml" ||
  fail "AppStream file"
grep -q "<launchable type=\"desktop-id\">gloopa.desktop</launchable>" \
  "$prefix/share/metainfo/io.github.gloopa.gloopa.metainfo.xml" || fail "metainfo launchable"

# Every option the game's help lists is in the man page.
man_page=$work/gloopa.6
gzip -dc "$prefix/share/man/man6/gloopa.6.gz" >"$man_page"
options=$("$prefix/bin/gloopa" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
[ -n "$options" ] || fail "no options in --help"
for option in $options; do
  grep -q -- "${option//-/\\\\-}" "$man_page" || fail "the man page does not list $option"
done
if command -v man >/dev/null 2>&1; then
  warnings=$(man --warnings -l "$man_page" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || fail "man page warnings: $warnings"
fi

# One version everywhere: the project's, in --version, the credits line drawn on the title
# screen, the AppStream release, the man page and the changelog.
version=$(sed -n 's/^project(gloopa VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
[ -n "$version" ] || fail "no project version"
[ "$("$prefix/bin/gloopa" --version)" = "gloopa $version" ] || fail "--version: $("$prefix/bin/gloopa" --version)"
grep -aq "Gloopa, by the Gloopa developers, version $version" "$prefix/bin/gloopa" ||
  fail "the credits line does not name version $version"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/io.github.gloopa.gloopa.metainfo.xml" ||
  fail "the AppStream release is not $version"
grep -q "\"gloopa $version\"" "$man_page" || fail "the man page is not of version $version"
gzip -dc "$prefix/share/doc/gloopa/changelog.gz" | head -n 1 | grep -q "^gloopa ($version) " ||
  fail "the changelog's last entry is not $version"

# The installed game runs from anywhere on its installed data.
mkdir "$work/elsewhere"
cd "$work/elsewhere"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null
"$prefix/bin/gloopa" --headless --windowed --frames 5 --statdump dump.json 2>err.txt ||
  fail "the installed game failed: $(cat err.txt)"
grep -q '"frames":5' dump.json || fail "no state dump from the installed game"
# ... and it is that data it reads: without it the loader says what is missing.
mv "$prefix/share/gloopa/sphere.txt" "$work/sphere.txt"
if "$prefix/bin/gloopa" --headless --windowed --frames 5 2>err.txt; then
  fail "the installed game ran without its installed sphere.txt"
fi
grep -q "sphere.txt" err.txt || fail "no message naming sphere.txt: $(cat err.txt)"
echo "install tree OK"
