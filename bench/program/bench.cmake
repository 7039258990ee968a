# show_program of a full program against a plain table, and Open from the paced tvxsim
# against the bound of its exchanges.
#   build/release/bench/bench_program_show [rounds]
tarvix_add_bench(bench_program_show SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_program_show.cpp
  ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp LIBS tarvix_program tarvix_app tarvix_sim)
target_compile_definitions(bench_program_show PRIVATE TARVIX_APP_DIR="${TARVIX_APP_DIR}")
if(TARGET tvxsim)
  add_dependencies(bench_program_show tvxsim)
endif()
