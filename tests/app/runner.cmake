tarvix_add_test(test_app_runner LABEL app SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_runner.cpp
  LIBS tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
