tarvix_add_test(test_can_roundtrip LABEL candrv SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_can_roundtrip.cpp
  LIBS tarvix_sim tarvix_portio tarvix_devices tarvix_testsupport ${CMAKE_DL_LIBS})
if(TARGET test_can_roundtrip)
  add_dependencies(test_can_roundtrip portcan pcanbridge PCAN_USB kerncan isacan)
endif()
tarvix_add_test(test_sim_hardware LABEL candrv SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_sim_hardware.cpp
  LIBS tarvix_sim tarvix_portio tarvix_devices tarvix_testsupport ${CMAKE_DL_LIBS})
if(TARGET test_sim_hardware)
  add_dependencies(test_sim_hardware isacan tarvix_simhw)
endif()
