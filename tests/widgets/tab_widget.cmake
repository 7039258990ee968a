tarvix_add_test(test_widgets_tab_widget LABEL widgets SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_tab_widget.cpp
  LIBS tarvix_widgets_testing tarvix_widgets)
