# Every form at the main window's default size: texts whole, controls in their places.
tarvix_add_test(test_app_fit LABEL fit SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_fit.cpp
  LIBS tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
