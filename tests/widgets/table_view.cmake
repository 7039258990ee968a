tarvix_add_test(test_widgets_table_view LABEL widgets
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_table_view.cpp
  LIBS tarvix_widgets Qt5::Widgets Qt5::Test)
