# Not a benchmark: pictures of the update flows (see update_shots.cpp).
#   xvfb-run -a build/asan/bench/app_update_shots <output folder>
tarvix_add_bench(app_update_shots SOURCES ${CMAKE_CURRENT_LIST_DIR}/update_shots.cpp
  ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp LIBS tarvix_app tarvix_sim Qt5::Test)
# FW Update's firmware download through the runner against flashcli run alone, paced USB.
tarvix_add_bench(app_update_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/update_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp LIBS tarvix_app tarvix_sim Qt5::Test)
foreach(t app_update_shots app_update_bench)
  add_dependencies(${t} tvxsim flashcli)
endforeach()
