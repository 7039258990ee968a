# The download sequences over paced USB, the serial line and ICMP against tvxsim, and the
# HEX line reader.
tarvix_add_bench(flashlink_transfer_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/transfer_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/link_rows.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS flashlink tarvix_sim)
if(TARGET flashlink_transfer_bench)
  add_dependencies(flashlink_transfer_bench tvxsim)
endif()
