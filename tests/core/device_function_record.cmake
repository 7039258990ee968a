tarvix_add_test(test_core_device_function_record LABEL core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_device_function_record.cpp LIBS tarvix_testsupport tarvix_core)
