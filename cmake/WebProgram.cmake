# The web page's program: gloopa.js, gloopa.wasm and gloopa.data (the models, bitmaps and the
# kept demos, preloaded into the page's file system at / and /demos). The page itself is
# dist/web/index.html, copied beside them by scripts/build-web.sh.
set_target_properties(gloopa PROPERTIES SUFFIX .js)
target_link_libraries(gloopa PRIVATE openal)
target_link_options(gloopa PRIVATE
  # The fixed-function GL the game draws with, on WebGL 1.
  -sLEGACY_GL_EMULATION=1 -sGL_UNSAFE_OPTS=0
  -sALLOW_MEMORY_GROWTH=1
  # The page reads the state dump from the file system once the run has ended, and calls main
  # again for nothing: the runtime stays up after main returns.
  -sEXPORTED_RUNTIME_METHODS=FS,callMain
  # The page keeps the game's files (HOME) in the browser's storage.
  -lidbfs.js
  -sINVOKE_RUN=1
  # SHELL: keeps each option with its value (CMake would merge the repeated option).
  "SHELL:--preload-file ${CMAKE_SOURCE_DIR}/data@/"
  "SHELL:--preload-file ${CMAKE_SOURCE_DIR}/tests/world/demos@/demos")
# What the browser's GL cannot draw as the game asks, drawn through the GL seam.
target_sources(gloopa_gl_drawing PRIVATE ${CMAKE_SOURCE_DIR}/src/gl/GLWeb.cpp)
