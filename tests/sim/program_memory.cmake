# The program in the simulated controller's non-volatile memory.
tarvix_add_test(test_sim_program_memory LABEL sim SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_program_memory.cpp LIBS tarvix_sim)
