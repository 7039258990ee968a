tarvix_add_test(test_app_update LABEL app SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_update.cpp
  ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test TIMEOUT 600)
tarvix_add_test(test_app_update_tvxsim LABEL app SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_update_tvxsim.cpp
  ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test TIMEOUT 900)
foreach(t test_app_update test_app_update_tvxsim)
  if(TARGET ${t})
    add_dependencies(${t} tvxsim flashcli)
  endif()
endforeach()
