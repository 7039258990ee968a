# The program against tvxsim over serial, Ethernet and the CAN libraries.
tarvix_add_test(test_flashcli_transports LABEL flashcli TIMEOUT 300
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_transports_run.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_sim tarvix_testsupport util DEPENDS tvxsim flashcli)
