tarvix_add_test(test_procmon_sdcard LABEL procmon SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_sdcard_reader.cpp
  LIBS tarvix_testsupport tarvix_procmon)
