tarvix_add_bench(bench_core_link SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_link.cpp
  ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp LIBS tarvix_core tarvix_sim)
add_dependencies(bench_core_link tvxsim)
