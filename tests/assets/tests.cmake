# Model loader extras: the model and bitmap fuzzers, the check that data/ is what the generator
# writes, and runs of the game itself against its model files.

file(GLOB assets_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/assets/*.cpp)
set(assets_fuzz_common ${assets_sources}
  ${CMAKE_CURRENT_SOURCE_DIR}/assets/fuzz/FuzzSupport.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/assets/AllocationCounter.cpp
  ${CMAKE_SOURCE_DIR}/src/gl/GLTable.cpp ${CMAKE_SOURCE_DIR}/src/gl/GLNoDrawing.cpp)
# The model seeds are the two tile models: the jellyfish and the sphere have the same sections with
# a thousand vertex lines more, and as seeds they would raise every input the fuzzer makes to
# 34 KB and cut its executions to a fifth. Inputs of up to 4 KB (libFuzzer's least default) still
# reach every state of the reader and every allocation it makes.
file(GLOB assets_model_seeds CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*8x8.txt
  ${CMAKE_CURRENT_SOURCE_DIR}/assets/fuzz/regressions/*.txt)
file(GLOB assets_bitmap_seeds CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*.bmp
  ${CMAKE_CURRENT_SOURCE_DIR}/assets/fuzz/regressions/*.bmp)
gloopa_fuzzer(FuzzModelParser SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/assets/fuzz/FuzzModelParser.cpp
  ${assets_fuzz_common} SEEDS ${assets_model_seeds})
gloopa_fuzzer(FuzzBitmapDecoder
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/assets/fuzz/FuzzBitmapDecoder.cpp ${assets_fuzz_common}
  SEEDS ${assets_bitmap_seeds})

# data/ must be exactly what the generator writes.
add_test(NAME assets_data_matches_generator
  COMMAND ${CMAKE_COMMAND} -DGENERATOR=$<TARGET_FILE:make_models> -DDATA=${CMAKE_SOURCE_DIR}/data
    -DWORK=${CMAKE_CURRENT_BINARY_DIR}/generated_models
    -P ${CMAKE_CURRENT_SOURCE_DIR}/assets/CheckGeneratedData.cmake)

# The game started from another folder finds its models beside itself; a missing model or a bad
# bitmap is reported and ends the run with a failure status.
add_test(NAME assets_game_loads_models_from_its_folder
  COMMAND ${CMAKE_COMMAND} -DGAME=$<TARGET_FILE:gloopa> -DBIN=${GLOOPA_BIN_DIR}
    -DWORK=${CMAKE_CURRENT_BINARY_DIR}/game_folder_runs
    -P ${CMAKE_CURRENT_SOURCE_DIR}/assets/GameFolderRuns.cmake)
# Leak checking is off for these runs: the GL driver, once unloaded at exit, leaves allocations
# that LeakSanitizer cannot attribute (and so cannot suppress); this test is about exit statuses.
set_tests_properties(assets_game_loads_models_from_its_folder PROPERTIES TIMEOUT 60
  ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy;ASAN_OPTIONS=detect_leaks=0")
