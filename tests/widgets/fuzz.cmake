tarvix_add_fuzzer(fuzz_widgets_column_filter SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_column_filter.cpp
  LIBS tarvix_widgets SECONDS 10)
