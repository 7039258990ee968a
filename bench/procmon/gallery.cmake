tarvix_add_bench(procmon_gallery SOURCES ${CMAKE_CURRENT_LIST_DIR}/procmon_gallery.cpp
  LIBS tarvix_procmon_windows tarvix_app tarvix_sim)
tarvix_add_bench(bench_procmon_tables SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_procmon_tables.cpp
  LIBS tarvix_procmon_windows tarvix_app tarvix_sim)
