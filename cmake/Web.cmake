# The web build with emscripten (scripts/build-web.sh):
#   emcmake cmake -S . -B build-web/build -DSDL2_DIR=<SDL2 prefix>/lib/cmake/SDL2 \
#         -DGLOOPA_WEB_PREFIXES="<zlib prefix>;<staged headers>" -DGLOOPA_HOST_CLIP_SYNTH=<ClipSynth>
# Included before the packages are looked for. The browser's GL is WebGL under emscripten's
# emulation of the fixed-function pipeline; OpenAL is emscripten's own, linked in.

# zlib and the header-only libraries come from prefixes outside emscripten's sysroot, which is
# the only place its toolchain looks by default.
set(GLOOPA_WEB_PREFIXES "" CACHE STRING "Install prefixes of the web builds of the libraries")
list(APPEND CMAKE_FIND_ROOT_PATH ${GLOOPA_WEB_PREFIXES})

# The simulation must give the very bits of the desktop builds: no contraction of a multiply and
# an add into one rounding, whatever the compiler's default.
add_compile_options(-ffp-contract=off)
# CLI11 reports usage errors by exceptions.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

# GL and GLU are emscripten's: its headers, and the libraries the link flags below bring in.
add_library(OpenGL::GL INTERFACE IMPORTED)
add_library(OpenGL::GLU INTERFACE IMPORTED)
