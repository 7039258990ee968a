tarvix_add_test(test_core_range_checks LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_range_checks.cpp
  LIBS tarvix_testsupport tarvix_core)
