tarvix_add_test(test_portio LABEL candrv SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_portio.cpp
  LIBS tarvix_sim tarvix_portio tarvix_testsupport)
