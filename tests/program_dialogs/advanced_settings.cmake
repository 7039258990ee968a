tarvix_add_test(test_advanced_settings LABEL program_dialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_advanced_settings.cpp
  LIBS tarvix_program_dialogs tarvix_widgets_testing tarvix_testsupport Qt5::Test)
