# Runs the program from the application directory; the pause of one report is real (5 s).
tarvix_add_test(test_flashcli_process LABEL flashcli TIMEOUT 300
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_process.cpp
  LIBS tarvix_testsupport util)
