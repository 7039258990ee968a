# Create Clone and Program Clone of a full clone at 1 ms USB pacing against their bound:
#   build/asan/bench/app_clone_bench
tarvix_add_bench(app_clone_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/clone_bench.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_app tarvix_sim Qt5::Test)
add_dependencies(app_clone_bench tvxsim flashcli)
