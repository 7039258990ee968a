tarvix_add_test(test_close_rule LABEL program_dialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_close_rule.cpp
  LIBS tarvix_program_dialogs tarvix_widgets_testing tarvix_testsupport Qt5::Test)
