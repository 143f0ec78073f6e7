# The install tree and the Debian package, built from this build.
add_test(NAME gloopa_install_tree
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install/install_tree.sh ${CMAKE_BINARY_DIR})
set_tests_properties(gloopa_install_tree PROPERTIES TIMEOUT 120
  ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
add_test(NAME gloopa_debian_package
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install/package.sh ${CMAKE_BINARY_DIR})
set_tests_properties(gloopa_debian_package PROPERTIES TIMEOUT 600)
