# The download sequences: in-process against the simulated loader, and against tvxsim.
tarvix_add_test(flashlink_sndhex_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sndhex_test.cpp
  LIBS flashlink_testcomm)
tarvix_add_test(flashlink_sndhex_tvxsim_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sndhex_tvxsim_test.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS flashlink_testcomm TSAN DEPENDS tvxsim)
tarvix_add_fuzzer(flashlink_hex_report_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/hex_report_fuzz.cpp
  LIBS flashlink SECONDS 10)
