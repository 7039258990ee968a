tarvix_add_test(test_core_app_dirs LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_app_dirs.cpp
  LIBS tarvix_testsupport tarvix_core)
