tarvix_add_bench(bench_core_config_transfer SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_config_transfer.cpp
  ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp ${CMAKE_SOURCE_DIR}/tests/core/transfer_fixture_image.cpp
  LIBS tarvix_core tarvix_sim tarvix_procmon)
add_dependencies(bench_core_config_transfer tvxsim)
