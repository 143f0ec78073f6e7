# The soak driver (scripts/soak.sh): the game's shell on the do-nothing GL, driven by a seeded
# random mouse, with the world's invariants checked every 1000 frames. It reads the world through
# its state dump, so it is built where nlohmann-json is installed (the test packages).
find_package(nlohmann_json QUIET)
if(nlohmann_json_FOUND AND TARGET gloopa_nullgl)
  add_executable(gloopa_soak ${CMAKE_SOURCE_DIR}/tools/Soak.cpp)
  target_link_libraries(gloopa_soak PRIVATE gloopa_nullgl gloopa_gl_nodrawing gloopa_shell
    nlohmann_json::nlohmann_json)
  add_dependencies(gloopa_soak gloopa_data)
endif()
