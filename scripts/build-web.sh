#!/usr/bin/env bash
# Builds the web page of the game with Debian's emscripten: build-web/site/ holds the page's own
# files and nothing else: index.html, gloopa.js, gloopa.wasm and gloopa.data (the models, bitmaps
# and kept demos), the app's manifest, icons and service worker; the build itself stays in
# build-web/build/. Serve site/ over HTTP
# (scripts/serve-web.sh); a page opened as a file cannot load its data.
#
# Debian's emscripten cannot fetch its SDL2 port, so SDL2 is built from Debian's own source
# package at the version of the Linux build, and zlib (for the PNG screenshots) likewise; both
# are built once into $GLOOPA_WEB_CACHE (default ~/.cache/gloopa-web), one folder per source
# version. The sound clips are synthesized by the Linux build's ClipSynth (build/, made if
# missing), so the page plays the very bytes of the other builds.
#
# Environment: GLOOPA_WEB_CACHE (cache folder), JOBS (parallel jobs, default nproc),
# NICE (niceness of the big builds, default 10).
# Exit status 75 means the sources could not be fetched (no archive reachable): nothing was built.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cache=${GLOOPA_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/gloopa-web}
jobs=${JOBS:-$(nproc)}
nice_cmd=(nice -n "${NICE:-10}")
out=$root/build-web

say() { echo "build-web: $*" >&2; }
die() { echo "build-web: $*" >&2; exit 1; }
cannot_fetch() { echo "build-web: $*" >&2; exit 75; }

for tool in emcc emcmake dpkg-source dpkg-query apt-get cmake; do
  command -v "$tool" >/dev/null || die "$tool is missing: run scripts/setup-deps.sh"
done
# Debian's emscripten runs its optimiser's JavaScript passes with the system's node, which finds
# their modules only here.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

configure_with=(emcmake cmake)
# shellcheck source=scripts/library-sources.sh
. "$root/scripts/library-sources.sh"

sdl_version=$(dpkg-query -W -f='${Version}' libsdl2-dev 2>/dev/null) ||
  die "libsdl2-dev is not installed: run scripts/setup-deps.sh"
zlib_version=$(dpkg-query -W -f='${Version}' zlib1g-dev 2>/dev/null) ||
  die "zlib1g-dev is not installed: run scripts/setup-deps.sh"

mkdir -p "$cache/src"
sdl_src=$(fetch_source libsdl2 "$sdl_version") ||
  cannot_fetch "cannot fetch the source of libsdl2 $sdl_version"
zlib_src=$(fetch_source zlib "$zlib_version") ||
  cannot_fetch "cannot fetch the source of zlib $zlib_version"
sdl_prefix=$cache/sdl2-${sdl_version#*:}
zlib_prefix=$cache/zlib-${zlib_version#*:}

# The browser gives one thread: SDL's threads, timers' thread included, stay out.
build_library "$sdl_src" "$sdl_prefix" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
  -DSDL_THREADS=OFF
# zlib's own CMake file wants a Windows resource that Debian's source leaves out; its library is
# a handful of C files, compiled here as they are (all but the gz* file functions, which the game
# does not call).
if [ ! -f "$zlib_prefix/.installed" ]; then
  say "building $(basename "$zlib_src") for the web"
  rm -rf "$zlib_prefix"
  mkdir -p "$zlib_prefix/include" "$zlib_prefix/lib" "$zlib_prefix.build"
  # Its configuration header as it comes, which is what zlib's configure makes of it here.
  cp "$zlib_src/zconf.h.in" "$zlib_prefix/include/zconf.h"
  cp "$zlib_src/zlib.h" "$zlib_prefix/include/"
  for c in adler32 compress crc32 deflate infback inffast inflate inftrees trees uncompr zutil; do
    "${nice_cmd[@]}" emcc -O2 -DHAVE_UNISTD_H -I"$zlib_prefix/include" -c "$zlib_src/$c.c" -o "$zlib_prefix.build/$c.o" ||
      die "building $c.c of zlib failed"
  done
  emar rcs "$zlib_prefix/lib/libz.a" "$zlib_prefix.build"/*.o
  rm -rf "$zlib_prefix.build"
  touch "$zlib_prefix/.installed"
fi

# The native build's clip synthesizer (the web build cannot run its own).
if [ ! -x build/bin/ClipSynth ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  "${nice_cmd[@]}" cmake --build build -j"$jobs" --target ClipSynth >/dev/null
fi

# CLI11 and nlohmann-json are header-only; emscripten's CMake looks only inside its own sysroot
# and the folders it is given, so their Debian headers and CMake files are staged in a prefix.
headers=$out/host-headers
rm -rf "$headers"
mkdir -p "$headers/include" "$headers/share/cmake"
cp -rp /usr/include/CLI /usr/include/nlohmann "$headers/include/"
cp -rp /usr/share/cmake/CLI11 /usr/share/cmake/nlohmann_json "$headers/share/cmake/"

say "building the game for the web"
emcmake cmake -S . -B "$out/build" -DCMAKE_BUILD_TYPE=Release \
  -DSDL2_DIR="$sdl_prefix/lib/cmake/SDL2" \
  -DGLOOPA_WEB_PREFIXES="$zlib_prefix;$headers" \
  -DGLOOPA_HOST_CLIP_SYNTH="$root/build/bin/ClipSynth" \
  -DGLOOPA_TESTS=OFF -DGLOOPA_BENCH=OFF >"$out/configure.log" 2>&1 ||
  { cat "$out/configure.log" >&2; die "configuring the web build failed"; }
"${nice_cmd[@]}" cmake --build "$out/build" -j"$jobs" --target gloopa

# The page's own files, and nothing else, in site/: all a web server needs.
site=$out/site
rm -rf "$site"
mkdir -p "$site"
for f in gloopa.js gloopa.wasm gloopa.data; do
  cp "$out/build/bin/$f" "$site/$f"
  rm -f "$out/$f" # where earlier builds left them
done
cp dist/web/index.html dist/web/manifest.webmanifest "$site/"
rm -f "$out/index.html"
# The app's icons, the game's own, drawn by the native build's make_icons.
if [ ! -f build/generated/icons/gloopa-256.png ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  "${nice_cmd[@]}" cmake --build build -j"$jobs" --target gloopa_icons >/dev/null
fi
cp build/generated/icons/gloopa-128.png build/generated/icons/gloopa-256.png "$site/"
# The service worker's cache is named by the version and the files it keeps.
version=$(sed -n 's/^project(gloopa VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
hash=$(cd "$site" && cat index.html gloopa.js gloopa.wasm gloopa.data manifest.webmanifest | sha256sum | cut -c1-12)
sed "s/@BUILD@/$version-$hash/" dist/web/sw.js >"$site/sw.js"
mapfile -t files < <(cd "$site" && find . -type f -printf '%P\n' | sort)
total=$(cd "$site" && cat "${files[@]}" | wc -c)
gzipped=$(cd "$site" && for f in "${files[@]}"; do gzip -9c "$f"; done | wc -c)
say "wrote $site: ${files[*]} ($total bytes, $gzipped gzipped)"
