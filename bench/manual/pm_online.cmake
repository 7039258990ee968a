# A 100,000-sample process-monitor cycle through tvxsim, drawn live on the PM Tools tab with the
# plotter shown: per-block host time (last 1,000 / first 1,000) and the run against its bare
# exchanges.
#   xvfb-run -a build/release/bench/manual_pm_online
tarvix_add_bench(manual_pm_online SOURCES ${CMAKE_CURRENT_LIST_DIR}/pm_online.cpp
  ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp LIBS tarvix_manual tarvix_app tarvix_sim)
if(TARGET manual_pm_online AND TARGET tvxsim)
  add_dependencies(manual_pm_online tvxsim)
endif()
