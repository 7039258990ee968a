tarvix_add_test(test_procmon_csv LABEL procmon SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_pm_csv.cpp
  LIBS tarvix_testsupport tarvix_procmon tarvix_sim)
