# Model loader extras: the two libFuzzer targets (always built with clang, whatever compiler builds
# the game, so a short run of each belongs to every test pass), the check that data/ is what the
# generator writes, and runs of the game itself against its model files.

find_program(GLOOPA_CLANGXX NAMES clang++ clang++-14)
set(assets_fuzz_dir ${CMAKE_BINARY_DIR}/fuzz/assets)
set(assets_fuzz_common
  ${CMAKE_SOURCE_DIR}/src/assets/VexLib3D.cpp
  ${CMAKE_SOURCE_DIR}/src/assets/VexLib3DTypes.cpp
  ${CMAKE_SOURCE_DIR}/src/assets/GameRandom.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/assets/fuzz/FuzzSupport.cpp)
set(assets_fuzz_headers
  ${CMAKE_SOURCE_DIR}/src/assets/VexLib3D.h
  ${CMAKE_SOURCE_DIR}/src/assets/VexLib3DTypes.h
  ${CMAKE_SOURCE_DIR}/src/assets/GameRandom.h
  ${CMAKE_SOURCE_DIR}/src/shell/Platform.h)
file(GLOB assets_model_seeds CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*.txt)
file(GLOB assets_bitmap_seeds CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*.bmp)

if(GLOOPA_CLANGXX)
  foreach(fuzzer FuzzModelParser FuzzBitmapDecoder)
    if(fuzzer STREQUAL "FuzzModelParser")
      set(seeds ${assets_model_seeds})
    else()
      set(seeds ${assets_bitmap_seeds})
    endif()
    set(out ${assets_fuzz_dir}/${fuzzer})
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${out}_corpus ${out}_seeds
      COMMAND ${CMAKE_COMMAND} -E copy ${seeds} ${out}_seeds
      COMMAND ${GLOOPA_CLANGXX} -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined
        -fno-sanitize-recover=undefined -I${CMAKE_SOURCE_DIR}/src
        ${CMAKE_CURRENT_SOURCE_DIR}/assets/fuzz/${fuzzer}.cpp ${assets_fuzz_common} -lGL -o ${out}
      DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/assets/fuzz/${fuzzer}.cpp ${assets_fuzz_common}
        ${assets_fuzz_headers} ${seeds}
      COMMENT "Building the ${fuzzer} fuzzer with clang"
      VERBATIM)
    add_custom_target(${fuzzer} ALL DEPENDS ${out})
    # A few seconds from the game's own files as seeds; new finds stay in the build folder.
    add_test(NAME assets_${fuzzer}_short_run
      COMMAND ${out} -max_total_time=4 -timeout=5 -rss_limit_mb=1024 -print_final_stats=1
        ${out}_corpus ${out}_seeds)
    set_tests_properties(assets_${fuzzer}_short_run PROPERTIES TIMEOUT 30)
  endforeach()
else()
  message(STATUS "clang++ not found: the model and bitmap fuzzers are not built")
endif()

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
