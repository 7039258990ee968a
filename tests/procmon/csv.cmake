tarvix_add_test(test_procmon_csv LABEL procmon SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_pm_csv.cpp
  LIBS tarvix_testsupport tarvix_procmon tarvix_sim)
tarvix_add_fuzzer(fuzz_procmon_csv_reader SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_csv_reader.cpp
  LIBS tarvix_procmon SECONDS 10)
