tarvix_add_test(test_can_bus LABEL candrv TSAN SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_can_bus.cpp
  LIBS tarvix_sim tarvix_testsupport)
