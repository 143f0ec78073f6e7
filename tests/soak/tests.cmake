# 100,000 frames in the normal build; the sanitizer build, some ten times slower, plays 20,000.
# Its allocator keeps freed memory in quarantine, so resident memory is only checked without it.
if(GLOOPA_SANITIZE)
  set(soak_args --frames 20000 --no-rss-check)
else()
  set(soak_args --frames 100000)
endif()
add_test(NAME soak_short COMMAND gloopa_soak ${soak_args} --seed 15
  --demo ${CMAKE_CURRENT_BINARY_DIR}/soak-failure.demo)
set_tests_properties(soak_short PROPERTIES TIMEOUT 600 WORKING_DIRECTORY ${GLOOPA_BIN_DIR}
  ENVIRONMENT "${GLOOPA_SHELL_TEST_ENV}")
