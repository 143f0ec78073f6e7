#!/usr/bin/env bash
# Cross-builds the Windows packages: build-windows/gloopa-win64.zip, one folder holding gloopa.exe
# (64-bit, MinGW-w64 GCC, with its icon, version information and manifest), SDL2.dll and
# OpenAL32.dll built from Debian's own source packages at the versions the Linux build uses, the
# models and bitmaps, a short README and the licences; and build-windows/gloopa-setup.exe, an NSIS
# installer of the same files (dist/windows/gloopa.nsi).
#
# SDL2 and OpenAL Soft are built once and kept in $GLOOPA_WINDOWS_CACHE (default
# ~/.cache/gloopa-windows), one folder per source version; later runs only rebuild the game.
# The sound clips are synthesized by the Linux build's ClipSynth (build/, made if missing), so
# both packages carry the same bytes. The icon is drawn by make_icons, built for this machine in
# build-windows/host.
#
# Environment: GLOOPA_WINDOWS_CACHE (cache folder), JOBS (parallel jobs, default nproc),
# NICE (niceness of the big builds, default 10).
# Exit status 75 means the sources could not be fetched (no archive reachable): nothing was built.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
triple=x86_64-w64-mingw32
cache=${GLOOPA_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/gloopa-windows}
jobs=${JOBS:-$(nproc)}
nice_cmd=(nice -n "${NICE:-10}")
toolchain=$root/cmake/mingw-w64-x86_64.cmake
out=$root/build-windows

say() { echo "build-windows: $*" >&2; }
die() { echo "build-windows: $*" >&2; exit 1; }
cannot_fetch() { echo "build-windows: $*" >&2; exit 75; }

for tool in $triple-gcc $triple-g++ $triple-windres makensis dpkg-source dpkg-query apt-get cmake; do
  command -v "$tool" >/dev/null || die "$tool is missing: run scripts/setup-deps.sh"
done

configure_with=(cmake -DCMAKE_TOOLCHAIN_FILE="$toolchain")
# shellcheck source=scripts/library-sources.sh
. "$root/scripts/library-sources.sh"

# OpenAL Soft's upstream source as Debian's archive carries it (the orig tarball of a later
# Debian release), for archives that no longer serve the source of the installed version. It is
# checked against the SHA-256 that Debian's signed Sources index gives for it.
al_fallback_version=1.24.2
al_fallback_sha256=7efd383d70508587fbc146e4c508771a2235a5fc8ae05bf6fe721c20a348bd7c
fetch_openal_fallback() {
  local dir=$cache/src/openal-soft-$al_fallback_version
  if [ ! -f "$dir/.unpacked" ]; then
    local mirror tarball=openal-soft_$al_fallback_version.orig.tar.gz
    # shellcheck disable=SC2016 # apt expands $(REPO_URI) itself
    mirror=$(apt-get indextargets --format '$(REPO_URI)' 'Created-By: Packages' 2>/dev/null |
      grep -m 1 '/debian/$' || true)
    mirror=${mirror:-http://deb.debian.org/debian/}
    rm -rf "$dir" "$dir.tmp"
    mkdir -p "$dir.tmp"
    say "fetching $tarball from Debian's archive instead" >&2
    /usr/lib/apt/apt-helper download-file "${mirror}pool/main/o/openal-soft/$tarball" \
      "$dir.tmp/$tarball" "SHA256:$al_fallback_sha256" >&2 || cannot_fetch "cannot fetch $tarball"
    tar -xzf "$dir.tmp/$tarball" -C "$dir.tmp"
    mv "$dir.tmp/openal-soft-$al_fallback_version" "$dir"
    rm -rf "$dir.tmp"
    touch "$dir/.unpacked"
  fi
  echo "$dir"
}

sdl_version=$(dpkg-query -W -f='${Version}' libsdl2-dev 2>/dev/null) ||
  die "libsdl2-dev is not installed: run scripts/setup-deps.sh"
al_version=$(dpkg-query -W -f='${Version}' libopenal-dev 2>/dev/null) ||
  die "libopenal-dev is not installed: run scripts/setup-deps.sh"

mkdir -p "$cache/src" "$out"
sdl_src=$(fetch_source libsdl2 "$sdl_version") ||
  cannot_fetch "cannot fetch the source of libsdl2 $sdl_version"
sdl_prefix=$cache/sdl2-${sdl_version#*:}
if al_src=$(fetch_source openal-soft "$al_version"); then
  al_prefix=$cache/openal-soft-${al_version#*:}
else
  say "Debian's archive does not serve the source of openal-soft $al_version here;" \
    "building OpenAL Soft $al_fallback_version instead (the game only loads it at run time)"
  al_src=$(fetch_openal_fallback) || exit
  al_prefix=$cache/openal-soft-$al_fallback_version
fi

build_library "$sdl_src" "$sdl_prefix" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF
# Later OpenAL Soft releases use C++ threads, which only the posix thread model provides; its
# runtime is linked in statically so that OpenAL32.dll stands alone.
build_library "$al_src" "$al_prefix" -DGLOOPA_MINGW_THREADS=posix \
  -DALSOFT_UTILS=OFF -DALSOFT_EXAMPLES=OFF -DALSOFT_TESTS=OFF -DALSOFT_NO_CONFIG_UTIL=ON \
  -DALSOFT_INSTALL_CONFIG=OFF -DALSOFT_INSTALL_HRTF_DATA=OFF -DALSOFT_INSTALL_AMBDEC_PRESETS=OFF \
  -DALSOFT_UPDATE_BUILD_VERSION=OFF -DALSOFT_STATIC_LIBGCC=ON -DALSOFT_STATIC_STDCXX=ON \
  -DALSOFT_STATIC_WINPTHREAD=ON

# The native build's clip synthesizer (the cross build cannot run its own).
if [ ! -x build/bin/ClipSynth ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  "${nice_cmd[@]}" cmake --build build -j"$jobs" --target ClipSynth >/dev/null
fi

# The native icon painter, for gloopa.ico: a build of its own, so that the Linux build in build/
# is left as it is.
host=$out/host
cmake -S . -B "$host" -DCMAKE_BUILD_TYPE=Release -DGLOOPA_TESTS=OFF -DGLOOPA_BENCH=OFF \
  >"$out/host-configure.log" || { cat "$out/host-configure.log" >&2; die "configuring $host failed"; }
"${nice_cmd[@]}" cmake --build "$host" -j"$jobs" --target gloopa_icons >/dev/null
icon=$host/generated/icons/gloopa.ico
[ -f "$icon" ] || die "make_icons drew no $icon"

# CLI11 and nlohmann-json are header-only; the cross build sees only the folders it is given, so
# their Debian headers and CMake files are staged in a prefix of their own.
headers=$out/host-headers
rm -rf "$headers"
mkdir -p "$headers/include" "$headers/share/cmake"
cp -rp /usr/include/CLI /usr/include/nlohmann "$headers/include/"
cp -rp /usr/share/cmake/CLI11 /usr/share/cmake/nlohmann_json "$headers/share/cmake/"

# The same optimisation as the Linux build (-O2); the package carries the program stripped.
say "cross-building the game"
cmake -S . -B "$out/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DGLOOPA_WINDOWS_PREFIXES="$sdl_prefix;$al_prefix;$headers" \
  -DGLOOPA_HOST_CLIP_SYNTH="$root/build/bin/ClipSynth" -DGLOOPA_HOST_ICON="$icon" \
  -DGLOOPA_TESTS=OFF -DGLOOPA_BENCH=OFF >"$out/configure.log" ||
  { cat "$out/configure.log" >&2; die "configuring the cross build failed"; }
"${nice_cmd[@]}" cmake --build "$out/build" -j"$jobs" --target gloopa

version=$(sed -n 's/^project(gloopa VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || die "cannot read the project version from CMakeLists.txt"
[ -f LICENSE ] || die "LICENSE is missing: the packages carry the game's licence"
zlib_header=/usr/$triple/include/zlib.h
[ -f "$zlib_header" ] || die "$zlib_header is missing: run scripts/setup-deps.sh"

# Text files for Windows' editors: CRLF line ends.
crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$@"; }

# The package: one folder holding the game, its two libraries, its data, a README and the
# licences.
stage=$out/gloopa-win64
rm -rf "$stage" "$out/gloopa-win64.zip" "$out/gloopa-setup.exe"
mkdir -p "$stage"
cp "$out/build/bin/gloopa.exe" "$stage/"
"$triple-strip" "$stage/gloopa.exe"
cp "$sdl_prefix/bin/SDL2.dll" "$al_prefix/bin/OpenAL32.dll" "$stage/"
"$triple-strip" "$stage/SDL2.dll" "$stage/OpenAL32.dll"
cp data/* "$stage/"
# The game's licence (MIT), and those of the libraries it carries: SDL2 (zlib), OpenAL Soft (LGPL,
# whose source is Debian's, named in the README), zlib, linked into gloopa.exe, whose licence is
# the notice at the head of its header, and winpthreads, linked into OpenAL32.dll.
crlf LICENSE >"$stage/LICENSE.txt"
cp "$sdl_src/LICENSE.txt" "$stage/LICENSE-SDL2.txt"
cp "$al_src/COPYING" "$stage/COPYING-OpenAL-Soft.txt"
zlib_version=$(sed -n 's/^#define ZLIB_VERSION "\(.*\)"/\1/p' "$zlib_header")
{
  echo "zlib $zlib_version, linked into gloopa.exe (PNG screenshots), is under this licence:"
  echo
  sed -n '3,/madler@/p' "$zlib_header" | sed 's/^  //'
} | crlf >"$stage/LICENSE-zlib.txt"
grep -q "This notice may not be removed" "$stage/LICENSE-zlib.txt" ||
  die "no licence notice found at the head of $zlib_header"
# OpenAL32.dll holds MinGW-w64's winpthreads, linked in statically; its terms come from the
# copyright file of Debian's MinGW-w64 package: the library's own paragraphs (not its tests') and
# the licence texts they name.
mingw_copyright=/usr/share/doc/mingw-w64-$(echo "${triple%%-*}" | tr _ -)-dev/copyright
[ -f "$mingw_copyright" ] || die "$mingw_copyright is missing: run scripts/setup-deps.sh"
{
  echo "OpenAL32.dll holds MinGW-w64's winpthreads library, linked in statically, under these"
  echo "terms (from Debian's MinGW-w64 package):"
  echo
  awk -v RS= -v ORS='\n\n' '
    /^Files: mingw-w64-libraries\/winpthreads\// && !/tests_pthread/ ||
    /^License: (expat|BSD-3-clause)\n/' "$mingw_copyright"
} | crlf >"$stage/LICENSE-winpthreads.txt"
for part in "mingw-w64 project" "Permission is hereby granted"; do
  grep -q "$part" "$stage/LICENSE-winpthreads.txt" ||
    die "no winpthreads licence found in $mingw_copyright"
done
sed -e "s/@VERSION@/$version/" \
  -e "s/@SDL@/${sdl_version#*:}/" -e "s/@OPENAL@/$(basename "$al_prefix" | sed 's/^openal-soft-//')/" \
  -e "s/@ZLIB@/$zlib_version/" docs/README-windows.txt | crlf >"$stage/README.txt"
(cd "$out" && cmake -E tar cf gloopa-win64.zip --format=zip gloopa-win64)
say "wrote $out/gloopa-win64.zip ($(stat -c %s "$out/gloopa-win64.zip") bytes)"

# The installer lays down the folder's files, each named once, and its uninstaller removes those
# same names (and nothing else) from the install folder.
files=$out/installer-files.nsh
{
  echo "!macro GloopaInstallFiles"
  for f in "$stage"/*; do echo "  File \"$f\""; done
  echo "!macroend"
  echo "!macro GloopaDeleteFiles"
  for f in "$stage"/*; do echo "  Delete \"\$INSTDIR\\$(basename "$f")\""; done
  echo "!macroend"
} >"$files"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DFILES="$files" -DICON="$icon" \
  -DOUTFILE="$out/gloopa-setup.exe" dist/windows/gloopa.nsi >"$out/makensis.log" ||
  { cat "$out/makensis.log" >&2; die "makensis failed"; }
say "wrote $out/gloopa-setup.exe ($(stat -c %s "$out/gloopa-setup.exe") bytes)"
