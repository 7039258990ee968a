tarvix_add_test(test_candrv_core LABEL candrv SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_candrv_core.cpp
  LIBS candrv_common tarvix_sim)
