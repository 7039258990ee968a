tarvix_add_test(test_core_config_image LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_config_image.cpp
  LIBS tarvix_testsupport tarvix_core)
