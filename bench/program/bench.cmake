# show_program of a full program against a plain table, and Open from the paced tvxsim
# against the bound of its exchanges.
#   build/release/bench/bench_program_show [rounds]
tarvix_add_bench(bench_program_show SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_program_show.cpp
  ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp LIBS tarvix_program tarvix_app tarvix_sim)
target_compile_definitions(bench_program_show PRIVATE TARVIX_APP_DIR="${TARVIX_APP_DIR}")
if(TARGET tvxsim)
  add_dependencies(bench_program_show tvxsim)
endif()
# The tool-curve export from the paced tvxsim against the bound of its exchanges, and a second
# export into the same folder against the first.
#   TARVIX_APP_DIR=app build/release/bench/bench_program_tools [rounds]
tarvix_add_bench(bench_program_tools SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_program_tools.cpp
  ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp LIBS tarvix_program tarvix_app tarvix_sim)
if(TARGET tvxsim)
  add_dependencies(bench_program_tools tvxsim)
endif()
