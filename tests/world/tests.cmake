# End to end: the game program itself plays hand-written demos and leaves state dumps.
add_executable(test_world_e2e ${CMAKE_CURRENT_SOURCE_DIR}/world/e2e/EndToEndTest.cpp)
target_include_directories(test_world_e2e PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(test_world_e2e PRIVATE GTest::gtest_main nlohmann_json::nlohmann_json)
target_compile_definitions(test_world_e2e PRIVATE GLOOPA_EXE="$<TARGET_FILE:gloopa>"
  GLOOPA_SIM_EXE="$<TARGET_FILE:gloopa_sim>"
  GLOOPA_FRAME_LOG_ERROR="$<TARGET_FILE:frame_log_error>"
  GLOOPA_DEMO_DIR="${CMAKE_CURRENT_SOURCE_DIR}/world/demos")
add_dependencies(test_world_e2e gloopa gloopa_sim gloopa_data frame_log_error)
gtest_discover_tests(test_world_e2e DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  WORKING_DIRECTORY ${GLOOPA_BIN_DIR} PROPERTIES TIMEOUT 300)

# The world's tests place the camera as the shell does, with the shell's own function.
target_link_libraries(test_world PRIVATE gloopa_shell)
