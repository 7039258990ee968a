tarvix_add_test(test_widgets_dialogs LABEL widgets SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_dialogs.cpp
  LIBS tarvix_widgets_testing tarvix_widgets tarvix_testsupport Qt5::Test)
