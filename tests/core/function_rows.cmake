tarvix_add_test(test_core_function_rows LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_function_rows.cpp
  LIBS tarvix_testsupport tarvix_core)
