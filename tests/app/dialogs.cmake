tarvix_add_test(test_app_dialogs LABEL app SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_dialogs.cpp
  LIBS tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_app_clone_dialogs LABEL app SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_clone_dialogs.cpp
  LIBS tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
