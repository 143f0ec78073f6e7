# The game itself, run as a player or a script would run it.
add_test(NAME gloopa_headless_100_frames COMMAND gloopa --headless --frames 100)
set_tests_properties(gloopa_headless_100_frames PROPERTIES TIMEOUT 20
  ENVIRONMENT "${GLOOPA_SHELL_TEST_ENV}")
add_test(NAME gloopa_unknown_option_exits_2
  COMMAND sh -c "$<TARGET_FILE:gloopa> --no-such-option >/dev/null 2>&1; test $? -eq 2")
add_test(NAME gloopa_version COMMAND gloopa --version)
set_tests_properties(gloopa_version PROPERTIES PASS_REGULAR_EXPRESSION "gloopa ${PROJECT_VERSION}")

# Demos replayed in-process for the batched-against-immediate frame comparison.
target_compile_definitions(test_shell PRIVATE
  GLOOPA_DEMO_DIR="${CMAKE_CURRENT_SOURCE_DIR}/world/demos")

# A video driver without OpenGL: the window cannot be made, which is reported, and the run ends
# with status 1.
add_test(NAME gloopa_no_gl_window_exits_1
  COMMAND sh -c "out=$(SDL_VIDEODRIVER=dummy \"$0\" --windowed --frames 5 2>&1); status=$?; echo \"$out\"; test $status -eq 1 && echo \"$out\" | grep -q 'Error: Error Creating OpenGL Window'"
    $<TARGET_FILE:gloopa>)
set_tests_properties(gloopa_no_gl_window_exits_1 PROPERTIES TIMEOUT 20
  ENVIRONMENT "SDL_AUDIODRIVER=dummy;ASAN_OPTIONS=detect_leaks=0")
# Malformed values of the newer options are refused with the usage and status 2, before any game.
# Each case keeps its messages in a file of its own, as the cases may run side by side.
foreach(args "--screenshot 0 shot.png" "--screenshot abc shot.png" "--screenshot -3 shot.png"
    "--screenshot 5" "--desktop=1" "--statdump-at 0 dump.json" "--statdump-at 5"
    "--verify a.demo --play b.demo")
  string(MAKE_C_IDENTIFIER "${args}" name)
  add_test(NAME gloopa_refuses${name}
    COMMAND sh -c "$<TARGET_FILE:gloopa> --headless --frames 1 ${args} >/dev/null 2>err${name}.txt; test $? -eq 2 && grep -q Usage err${name}.txt")
  set_tests_properties(gloopa_refuses${name} PROPERTIES WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    ENVIRONMENT "${GLOOPA_SHELL_TEST_ENV}" TIMEOUT 20)
endforeach()
# A screenshot that cannot be written is reported, the run still plays all its frames, and its
# status says it failed.
add_test(NAME gloopa_unwritable_screenshot_is_reported
  COMMAND sh -c "$<TARGET_FILE:gloopa> --headless --windowed --frames 20 --screenshot 3 /nonexistent/dir/shot.png --statdump dump_unwritable.json 2>err_shot.txt; test $? -eq 1 && grep -q 'cannot write the screenshot /nonexistent/dir/shot.png' err_shot.txt && grep -q '\"frames\":20' dump_unwritable.json")
set_tests_properties(gloopa_unwritable_screenshot_is_reported PROPERTIES
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} ENVIRONMENT "${GLOOPA_SHELL_TEST_ENV}" TIMEOUT 30)

# The demo reader, fuzzed with the hand-written demos as seeds.
file(GLOB shell_demo_seeds CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/world/demos/*.demo
  ${CMAKE_CURRENT_SOURCE_DIR}/shell/fuzz/regressions/*.demo)
gloopa_fuzzer(FuzzDemoReader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/shell/fuzz/FuzzDemoReader.cpp
  ${CMAKE_SOURCE_DIR}/src/shell/Demo.cpp ${CMAKE_SOURCE_DIR}/src/platform/WholeFile.cpp SEEDS ${shell_demo_seeds})

# The ways a run can end (signals, a full disk, a killed recorder), run on the simulation build.
add_executable(test_shell_exits ${CMAKE_CURRENT_SOURCE_DIR}/shell/exits/WaysOutTest.cpp)
target_include_directories(test_shell_exits PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(test_shell_exits PRIVATE GTest::gtest_main nlohmann_json::nlohmann_json)
target_compile_definitions(test_shell_exits PRIVATE GLOOPA_SIM_EXE="$<TARGET_FILE:gloopa_sim>")
add_dependencies(test_shell_exits gloopa_sim)
gtest_discover_tests(test_shell_exits DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  WORKING_DIRECTORY ${GLOOPA_BIN_DIR} PROPERTIES TIMEOUT 120
  ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")

# Closing the real game's window (under Xvfb, with a close request such as a window manager sends)
# writes the demo and the state dump through the normal shutdown.
find_package(X11)
find_program(GLOOPA_XVFB_RUN xvfb-run)
if(X11_FOUND AND GLOOPA_XVFB_RUN)
  add_executable(close_window ${CMAKE_CURRENT_SOURCE_DIR}/shell/exits/CloseWindow.cpp)
  target_link_libraries(close_window PRIVATE X11::X11)
  add_test(NAME gloopa_window_close_writes_its_files
    COMMAND ${GLOOPA_XVFB_RUN} -a -s "-screen 0 1024x768x24"
      ${CMAKE_CURRENT_SOURCE_DIR}/shell/exits/window_close.sh $<TARGET_FILE:gloopa>
      $<TARGET_FILE:close_window> ${CMAKE_CURRENT_BINARY_DIR}/window_close)
  set_tests_properties(gloopa_window_close_writes_its_files PROPERTIES TIMEOUT 120
    ENVIRONMENT "SDL_AUDIODRIVER=dummy;ALSOFT_DRIVERS=null;ASAN_OPTIONS=detect_leaks=0;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/window_close/config")
endif()
