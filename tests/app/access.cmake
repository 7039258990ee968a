tarvix_add_test(test_app_access_level LABEL app SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_access_level.cpp
  LIBS tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
