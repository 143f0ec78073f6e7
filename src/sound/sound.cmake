# The sound library, with the fifteen clips generated at build time (tools/ClipSynth.cpp) and
# assembled into frmDXSounds.cpp's object file. OpenAL is loaded at run time, never linked.
set(GLOOPA_CLIP_DIR ${CMAKE_BINARY_DIR}/generated/clips)
# The clip names come from the one list the program's tables are made from.
set(clip_list ${CMAKE_SOURCE_DIR}/src/sound/Clips.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${clip_list})
file(STRINGS ${clip_list} clip_lines REGEX "^GLOOPA_(CUED_)?CLIP\\(")
set(GLOOPA_CLIP_NAMES "")
set(GLOOPA_CLIP_FILES "")
foreach(line ${clip_lines})
  string(REGEX REPLACE "^GLOOPA_(CUED_)?CLIP\\(([A-Za-z0-9_]+),.*" "\\2" clip "${line}")
  list(APPEND GLOOPA_CLIP_NAMES ${clip})
  list(APPEND GLOOPA_CLIP_FILES ${GLOOPA_CLIP_DIR}/${clip}.wav)
endforeach()

# A cross build cannot run its own generator: it takes the build machine's ClipSynth instead,
# which also keeps the clips byte for byte those of the native build.
if(CMAKE_CROSSCOMPILING)
  set(GLOOPA_HOST_CLIP_SYNTH "" CACHE FILEPATH "ClipSynth built for the build machine")
  if(NOT EXISTS "${GLOOPA_HOST_CLIP_SYNTH}")
    message(FATAL_ERROR "a cross build needs GLOOPA_HOST_CLIP_SYNTH: the native build's ClipSynth")
  endif()
  set(clip_synth ${GLOOPA_HOST_CLIP_SYNTH})
else()
  set(clip_synth ClipSynth)
endif()
add_custom_command(OUTPUT ${GLOOPA_CLIP_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${GLOOPA_CLIP_DIR}
  COMMAND ${clip_synth} ${GLOOPA_CLIP_DIR}
  DEPENDS ${clip_synth}
  COMMENT "Synthesizing the sound clips"
  VERBATIM)
add_custom_target(gloopa_clips DEPENDS ${GLOOPA_CLIP_FILES})

file(GLOB gloopa_sound_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/sound/*.cpp)
add_library(gloopa_sound STATIC ${gloopa_sound_sources})
target_include_directories(gloopa_sound PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(gloopa_sound PUBLIC gloopa_platform)
# Only OpenAL's headers are needed: the library itself is loaded at run time.
find_path(GLOOPA_OPENAL_INCLUDE_DIR AL/al.h REQUIRED)
target_include_directories(gloopa_sound PRIVATE ${GLOOPA_OPENAL_INCLUDE_DIR})
add_dependencies(gloopa_sound gloopa_clips)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/sound/frmDXSounds.cpp PROPERTIES
  COMPILE_DEFINITIONS "GLOOPA_CLIP_DIR=\"${GLOOPA_CLIP_DIR}\""
  OBJECT_DEPENDS "${GLOOPA_CLIP_FILES}")
