tarvix_add_test(test_app_clone_file LABEL app SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_clone_file.cpp
  LIBS tarvix_app tarvix_testsupport)
