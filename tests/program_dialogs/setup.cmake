tarvix_add_test(test_setup_geometry LABEL program_dialogs
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_setup_geometry.cpp LIBS tarvix_program_dialogs)
tarvix_add_test(test_setup_wizards LABEL program_dialogs
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_setup_wizards.cpp
  LIBS tarvix_program_dialogs tarvix_widgets_testing tarvix_testsupport Qt5::Test)
