tarvix_add_test(test_manual_form LABEL manual SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_manual_form.cpp
  LIBS tarvix_manual tarvix_widgets_testing Qt5::Test)
tarvix_add_test(test_manual_rules LABEL manual SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_manual_rules.cpp
  LIBS tarvix_manual tarvix_testsupport Qt5::Test)
tarvix_add_test(test_manual_page LABEL manual SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_manual_page.cpp
  LIBS tarvix_manual tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test)
