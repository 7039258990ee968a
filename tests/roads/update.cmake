tarvix_add_test(test_roads_update LABEL roads
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_update_roads.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_roads_driver tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test TIMEOUT 600)
if(TARGET test_roads_update)
  add_dependencies(test_roads_update tvxsim flashcli tvxupdates)
endif()
