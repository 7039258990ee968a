# The manual page's cost per status reply and the delay from a changed input to its LED,
# against tvxsim with 1 ms USB pacing.
#   build/release/bench/manual_live_cycle [seconds per phase]
tarvix_add_bench(manual_live_cycle SOURCES ${CMAKE_CURRENT_LIST_DIR}/live_cycle.cpp
  ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp LIBS tarvix_manual tarvix_app tarvix_sim)
if(TARGET manual_live_cycle)
  add_dependencies(manual_live_cycle tvxsim)
endif()
