# Damaged HEX files through the program against tvxsim, over USB and a CAN library.
tarvix_add_test(test_flashcli_damaged_hex LABEL flashcli TIMEOUT 300
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_damaged_hex.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_sim tarvix_testsupport util DEPENDS tvxsim flashcli)
