tarvix_add_test(test_core_user_seam LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_user_seam.cpp
  LIBS tarvix_testsupport tarvix_core)
