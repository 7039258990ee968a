# The Ethernet transport: its packets, the raw socket on the loopback device, and end to
# end against tvxsim's TUN face (root; skipped otherwise).
tarvix_add_test(flashlink_icmp_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/icmp_test.cpp
  LIBS flashlink_testcomm)
tarvix_add_test(flashlink_icmp_tvxsim_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/icmp_tvxsim_test.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS flashlink_testcomm DEPENDS tvxsim)
tarvix_add_fuzzer(flashlink_link_receive_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/link_receive_fuzz.cpp
  LIBS flashlink SECONDS 10)
