# The clip synthesizer: writes the fifteen sound clips of the game as RIFF WAVE files. The sound
# library (src/sound/sound.cmake) runs it at build time and builds the clips into the program.
add_executable(ClipSynth ${CMAKE_SOURCE_DIR}/tools/ClipSynth.cpp)
# The clip list (sound/Clips.def) names the clips and their order.
target_include_directories(ClipSynth PRIVATE ${CMAKE_SOURCE_DIR}/src)
# Synthesis is a few seconds of arithmetic unoptimised; keep it quick in every build type.
target_compile_options(ClipSynth PRIVATE -O2)

# cmake --build <dir> --target clip_spectrograms: a spectrogram PNG beside every generated clip,
# for looking at what the synthesizer made.
find_program(SOX_EXECUTABLE sox)
if(SOX_EXECUTABLE AND DEFINED GLOOPA_CLIP_NAMES)
  set(spectrogram_commands "")
  foreach(clip ${GLOOPA_CLIP_NAMES})
    list(APPEND spectrogram_commands COMMAND ${SOX_EXECUTABLE} ${GLOOPA_CLIP_DIR}/${clip}.wav -n
      remix - spectrogram -x 800 -y 257 -t ${clip} -o ${GLOOPA_CLIP_DIR}/${clip}.png)
  endforeach()
  add_custom_target(clip_spectrograms ${spectrogram_commands} VERBATIM)
  add_dependencies(clip_spectrograms gloopa_clips)
endif()
