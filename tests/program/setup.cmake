tarvix_add_test(test_program_setup LABEL program SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_program_setup.cpp
  LIBS tarvix_program tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
