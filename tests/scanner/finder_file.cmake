tarvix_add_test(test_scanner_finder_file LABEL scanner
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_finder_file.cpp
  LIBS tarvix_scanner tarvix_testsupport)
tarvix_add_fuzzer(fuzz_scanner_finder SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_scanner_finder.cpp
  LIBS tarvix_scanner SECONDS 15)
