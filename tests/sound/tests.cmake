# The sound tests that need OpenAL configured differently from test_sound: OpenAL reads its
# configuration once per process, so each setting gets an executable of its own.
#   test_sound_nodevice: no output device at all (the game must run silent).
#   test_sound_mix:      OpenAL's wave writer, so the mix that would be heard can be measured.
foreach(kind nodevice mix)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/sound/${kind}/*.cpp)
  add_executable(test_sound_${kind} ${sources})
  target_link_libraries(test_sound_${kind} PRIVATE GTest::gtest_main gloopa_sound)
  gtest_discover_tests(test_sound_${kind} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${GLOOPA_BIN_DIR}
    PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=offscreen")
endforeach()

# Fuzzing the RIFF reader: the reader's sources are built in directly, so the fuzzer needs neither
# OpenAL nor anything else of the sound layer. The game's own clips are its seeds.
gloopa_fuzzer(FuzzWaveReader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/sound/fuzz/WaveFuzz.cpp
  ${CMAKE_SOURCE_DIR}/src/sound/Wave.cpp
  SEEDS ${GLOOPA_CLIP_FILES} DEPENDS gloopa_clips)
