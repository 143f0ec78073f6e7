# Measurement of the particle pass; not a ctest test. Run it from <build>/bin so it finds the
# models, e.g. SDL_VIDEODRIVER=offscreen [GALLIUM_NOOP=1] ./bench_particles
if(GLOOPA_BENCH)
  find_package(benchmark REQUIRED)
  add_executable(bench_particles ${CMAKE_CURRENT_LIST_DIR}/bench/ParticleEngineBench.cpp)
  target_link_libraries(bench_particles PRIVATE gloopa_particles gloopa_testsupport gloopa_gl_drawing
    benchmark::benchmark)
  add_dependencies(bench_particles gloopa_data)
endif()
