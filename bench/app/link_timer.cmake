# The connected, idle program's CPU time and the delay from a status change in the simulated
# controller to the status panel.
#   build/release/bench/app_link_timer [seconds]
tarvix_add_bench(app_link_timer SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_link_timer.cpp
  ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp LIBS tarvix_app tarvix_sim)
if(TARGET tvxsim)
  add_dependencies(app_link_timer tvxsim)
endif()
