tarvix_add_test(test_core_link_sim LABEL core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_link_sim.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_core tarvix_sim TIMEOUT 300)
add_dependencies(test_core_link_sim tvxsim)
tarvix_add_test(test_core_hid_link LABEL core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_hid_link.cpp
  LIBS tarvix_core TSAN)
tarvix_add_test(test_core_command_mailbox LABEL core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_command_mailbox.cpp LIBS tarvix_core)
