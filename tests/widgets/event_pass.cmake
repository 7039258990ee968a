tarvix_add_test(test_widgets_event_pass LABEL widgets SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_event_pass.cpp
  LIBS tarvix_widgets tarvix_testsupport)
