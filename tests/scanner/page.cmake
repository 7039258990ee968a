tarvix_add_test(test_scanner_page LABEL scanner
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_page.cpp ${CMAKE_CURRENT_LIST_DIR}/scanner_sim_fixture.cpp
    ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_scanner tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test TIMEOUT 300
  DEPENDS tvxsim)
