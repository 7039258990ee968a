tarvix_add_test(test_sim_program LABEL sim SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_sim_program.cpp LIBS tarvix_sim)
