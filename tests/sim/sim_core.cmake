tarvix_add_test(test_sim_core LABEL sim SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_sim_core.cpp LIBS tarvix_sim tarvix_testsupport)
tarvix_add_test(test_sim_tvxsim LABEL sim
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_tvxsim.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_sim TSAN)
if(TARGET test_sim_tvxsim)
  add_dependencies(test_sim_tvxsim tvxsim)
endif()
tarvix_add_fuzzer(sim_controller_request_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/controller_request_fuzz.cpp
  LIBS tarvix_sim SECONDS 10)
tarvix_add_test(test_sim_versions LABEL sim SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_versions.cpp LIBS tarvix_sim)
