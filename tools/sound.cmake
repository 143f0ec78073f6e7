# The clip synthesizer: writes the fifteen sound clips of the game as RIFF WAVE files. The sound
# library (src/sound/sound.cmake) runs it at build time and builds the clips into the program.
add_executable(ClipSynth ${CMAKE_SOURCE_DIR}/tools/ClipSynth.cpp)
# Synthesis is a few seconds of arithmetic unoptimised; keep it quick in every build type.
target_compile_options(ClipSynth PRIVATE -O2)
