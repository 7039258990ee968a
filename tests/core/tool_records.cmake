tarvix_add_test(test_core_tool_records LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_tool_records.cpp
  LIBS tarvix_testsupport tarvix_core)
