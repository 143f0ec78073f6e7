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

# Fuzzing the RIFF reader (clang only): the reader's sources are built in directly, so the
# fuzzer needs neither OpenAL nor the generated clips.
if(GLOOPA_FUZZ)
  add_executable(fuzz_wave ${CMAKE_CURRENT_SOURCE_DIR}/sound/fuzz/WaveFuzz.cpp
    ${CMAKE_SOURCE_DIR}/src/sound/Wave.cpp)
  target_include_directories(fuzz_wave PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(fuzz_wave PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(fuzz_wave PRIVATE -fsanitize=fuzzer,address,undefined)
endif()
