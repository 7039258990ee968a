tarvix_add_test(test_isacan LABEL candrv SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_isacan.cpp
  LIBS tarvix_sim tarvix_portio tarvix_testsupport ${CMAKE_DL_LIBS})
if(TARGET test_isacan)
  add_dependencies(test_isacan isacan)
endif()
