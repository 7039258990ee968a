tarvix_add_test(test_core_global_tables LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_global_tables.cpp
  LIBS tarvix_testsupport tarvix_core)
