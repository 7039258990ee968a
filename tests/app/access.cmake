tarvix_add_test(test_app_access_level LABEL app SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_access_level.cpp
  LIBS tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_app_access_tvxsim LABEL app SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_access_tvxsim.cpp
  ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test TIMEOUT 600)
if(TARGET test_app_access_tvxsim)
  add_dependencies(test_app_access_tvxsim tvxsim flashcli)
endif()
