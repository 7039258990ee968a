tarvix_add_test(test_pcanbridge LABEL candrv SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_pcanbridge.cpp
  LIBS tarvix_sim tarvix_devices tarvix_testsupport ${CMAKE_DL_LIBS})
if(TARGET test_pcanbridge)
  add_dependencies(test_pcanbridge pcanbridge PCAN_USB)
endif()
