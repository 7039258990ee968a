tarvix_add_test(test_procmon_sdcard LABEL procmon SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_sdcard_reader.cpp
  LIBS tarvix_testsupport tarvix_procmon)
tarvix_add_fuzzer(fuzz_procmon_card_sectors SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_card_sectors.cpp
  LIBS tarvix_procmon SECONDS 10)
