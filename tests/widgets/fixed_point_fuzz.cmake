tarvix_add_fuzzer(fuzz_widgets_fixed_point SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_fixed_point.cpp
  LIBS tarvix_widgets SECONDS 10)
