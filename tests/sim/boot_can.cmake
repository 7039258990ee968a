# The boot loader's node on the simulated CAN bus.
tarvix_add_test(sim_boot_can_node_test LABEL sim
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/boot_can_node_test.cpp
  LIBS tarvix_sim tarvix_testsupport)
