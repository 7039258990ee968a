tarvix_add_test(test_app_main_window LABEL app SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_main_window.cpp
  LIBS tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
