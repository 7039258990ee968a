# The serial transports: on a pty the test holds, and end to end against tvxsim's pty face.
tarvix_add_test(flashlink_serial_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/serial_test.cpp
  LIBS flashlink_testcomm)
tarvix_add_test(flashlink_serial_tvxsim_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/serial_tvxsim_test.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS flashlink_testcomm DEPENDS tvxsim)
