tarvix_add_test(test_app_run_guard LABEL app SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_run_guard.cpp
  LIBS tarvix_app tarvix_testsupport)
tarvix_add_test(test_app_single_instance LABEL app
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_single_instance.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_app tarvix_sim tarvix_testsupport Qt5::Core DEPENDS TarvixStudio TIMEOUT 400)
if(TARGET test_app_single_instance)
  add_dependencies(test_app_single_instance tvxsim)
endif()
