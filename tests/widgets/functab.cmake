tarvix_add_test(test_widgets_functab LABEL widgets SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_functab.cpp
  LIBS tarvix_widgets_testing tarvix_widgets)
tarvix_add_test(test_widgets_row_index LABEL widgets SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_row_index.cpp
  LIBS tarvix_widgets)
