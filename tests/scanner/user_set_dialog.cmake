tarvix_add_test(test_scanner_user_set_dialog LABEL scanner
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_user_set_dialog.cpp ${CMAKE_CURRENT_LIST_DIR}/scanner_sim_fixture.cpp
    ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_app tarvix_scanner tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test TIMEOUT 300
  DEPENDS tvxsim)
