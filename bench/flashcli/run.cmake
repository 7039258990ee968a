# The flashcli program's HEX download over paced USB against tvxsim.
tarvix_add_bench(flashcli_run_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/run_bench.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_sim)
if(TARGET flashcli_run_bench)
  add_dependencies(flashcli_run_bench tvxsim flashcli)
endif()
