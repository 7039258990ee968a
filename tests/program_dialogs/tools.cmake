tarvix_add_test(test_tool_dialogs LABEL program_dialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_tool_dialogs.cpp
  LIBS tarvix_program_dialogs tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
