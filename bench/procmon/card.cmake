tarvix_add_bench(bench_procmon_card SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_procmon_card.cpp
  LIBS tarvix_procmon tarvix_sim)
