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
