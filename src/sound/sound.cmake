# The sound library, with the fifteen clips generated at build time (tools/ClipSynth.cpp) and
# assembled into frmDXSounds.cpp's object file. OpenAL is loaded at run time, never linked.
set(GLOOPA_CLIP_DIR ${CMAKE_BINARY_DIR}/generated/clips)
set(GLOOPA_CLIP_NAMES PlayerShoot GruntHit BoidHit SnakeHit SnakeDestroyed GravitarHit
  GravitarDestroyed PodHit PodDestroyed PodChildHit PodChildDestroyed PlayerHit BonusReverb
  GravitarSpawned Intro)
set(GLOOPA_CLIP_FILES "")
foreach(clip ${GLOOPA_CLIP_NAMES})
  list(APPEND GLOOPA_CLIP_FILES ${GLOOPA_CLIP_DIR}/${clip}.wav)
endforeach()

add_custom_command(OUTPUT ${GLOOPA_CLIP_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${GLOOPA_CLIP_DIR}
  COMMAND ClipSynth ${GLOOPA_CLIP_DIR}
  DEPENDS ClipSynth
  COMMENT "Synthesizing the sound clips"
  VERBATIM)
add_custom_target(gloopa_clips DEPENDS ${GLOOPA_CLIP_FILES})

file(GLOB gloopa_sound_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/sound/*.cpp)
add_library(gloopa_sound STATIC ${gloopa_sound_sources})
target_include_directories(gloopa_sound PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(gloopa_sound PUBLIC gloopa_platform)
add_dependencies(gloopa_sound gloopa_clips)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/sound/frmDXSounds.cpp PROPERTIES
  COMPILE_DEFINITIONS "GLOOPA_CLIP_DIR=\"${GLOOPA_CLIP_DIR}\""
  OBJECT_DEPENDS "${GLOOPA_CLIP_FILES}")

# OpenAL Soft reads alsoft.conf from the executable's folder: it asks for a mixing period of at
# most 10 ms, for library versions that ignore the period the game requests itself.
configure_file(${CMAKE_SOURCE_DIR}/src/sound/alsoft.conf ${GLOOPA_BIN_DIR}/alsoft.conf COPYONLY)
install(FILES ${CMAKE_SOURCE_DIR}/src/sound/alsoft.conf DESTINATION bin)
