tarvix_add_test(test_portcan LABEL candrv TSAN SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_portcan.cpp
  LIBS tarvix_sim tarvix_portio tarvix_testsupport ${CMAKE_DL_LIBS})
if(TARGET test_portcan)
  add_dependencies(test_portcan portcan)
endif()
