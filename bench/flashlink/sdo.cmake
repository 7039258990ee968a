# Protocol efficiency of the object-transfer client against the simulated boot loader.
tarvix_add_bench(flashlink_sdo_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sdo_bench.cpp ${CMAKE_SOURCE_DIR}/tests/flashlink/support/fake_comms.cpp
  LIBS flashlink tarvix_sim)
