tarvix_add_test(test_widgets_plotter LABEL widgets
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_plotter.cpp
  LIBS tarvix_widgets Qt5::Widgets Qt5::Test)
