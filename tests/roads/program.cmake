# The roads of File › Open › Tarvix (twenty in a row take most of the label's time) and those
# of the program page, in two programs that run side by side.
foreach(road open program)
  tarvix_add_test(test_roads_${road} LABEL roads
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_${road}_roads.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
    LIBS tarvix_roads_driver tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test TIMEOUT 300)
  if(TARGET test_roads_${road})
    add_dependencies(test_roads_${road} tvxsim)
  endif()
endforeach()
