tarvix_add_test(test_widgets_scripted_ui LABEL widgets SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_scripted_ui.cpp
  LIBS tarvix_widgets_testing tarvix_widgets)
