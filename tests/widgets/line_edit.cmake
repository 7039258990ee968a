tarvix_add_test(test_widgets_line_edit LABEL widgets SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_line_edit.cpp
  LIBS tarvix_widgets_testing tarvix_widgets Qt5::Test)
