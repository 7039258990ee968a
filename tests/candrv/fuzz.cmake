tarvix_add_fuzzer(fuzz_can_fifo SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_can_fifo.cpp LIBS candrv_common SECONDS 10)
