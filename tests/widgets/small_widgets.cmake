tarvix_add_test(test_widgets_small LABEL widgets SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_small_widgets.cpp
  LIBS tarvix_widgets_testing tarvix_widgets Qt5::Test)
