tarvix_add_test(test_app_try_it LABEL app
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_try_it.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test TIMEOUT 300)
if(TARGET test_app_try_it)
  add_dependencies(test_app_try_it tvxsim tvxupdates flashcli)
endif()
