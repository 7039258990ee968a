tarvix_add_test(test_core_config_transfer LABEL core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_config_transfer.cpp ${CMAKE_CURRENT_LIST_DIR}/normalise_for_device.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transfer_fixture_image.cpp
  LIBS tarvix_core tarvix_sim tarvix_procmon tarvix_testsupport TIMEOUT 300)
