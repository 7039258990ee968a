tarvix_add_test(test_kerncan LABEL candrv SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_kerncan.cpp
  LIBS tarvix_sim tarvix_devices tarvix_testsupport ${CMAKE_DL_LIBS})
if(TARGET test_kerncan)
  add_dependencies(test_kerncan kerncan)
endif()
