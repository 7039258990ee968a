# Downloads and uploads over CAN through each driver library on the paced simulated bus: payload
# throughput against the bound the bus itself sets.
tarvix_add_bench(flashlink_can_transfer_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/can_transfer_bench.cpp ${CMAKE_SOURCE_DIR}/tests/flashlink/support/fake_comms.cpp
          ${CMAKE_SOURCE_DIR}/tests/flashlink/support/can_world.cpp
  LIBS flashlink tarvix_sim ${CMAKE_DL_LIBS})
add_dependencies(flashlink_can_transfer_bench portcan pcanbridge PCAN_USB kerncan isacan)
