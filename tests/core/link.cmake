tarvix_add_test(test_core_link_sim LABEL core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_link_sim.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_core tarvix_sim TSAN TIMEOUT 300)
if(TARGET test_core_link_sim)
  add_dependencies(test_core_link_sim tvxsim)
endif()
tarvix_add_test(test_core_hid_link LABEL core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_hid_link.cpp
  LIBS tarvix_core TSAN)
tarvix_add_test(test_core_command_mailbox LABEL core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_command_mailbox.cpp LIBS tarvix_core)
tarvix_add_test(test_core_link_stress LABEL core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_link_stress.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_core tarvix_sim TSAN TIMEOUT 300)
if(TARGET test_core_link_stress)
  add_dependencies(test_core_link_stress tvxsim)
endif()
tarvix_add_fuzzer(fuzz_core_link_frames SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_link_frames.cpp
  LIBS tarvix_core SECONDS 15)
tarvix_add_test(test_core_device_commands LABEL core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_device_commands.cpp LIBS tarvix_core tarvix_sim TIMEOUT 300)
tarvix_add_test(test_core_device_info LABEL core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_device_info.cpp LIBS tarvix_core tarvix_sim TIMEOUT 300)
tarvix_add_test(test_core_device_commands_tvxsim LABEL core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_device_commands_tvxsim.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_core tarvix_sim TIMEOUT 300)
if(TARGET test_core_device_commands_tvxsim)
  add_dependencies(test_core_device_commands_tvxsim tvxsim)
endif()
tarvix_add_test(test_core_link_step LABEL core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_link_step.cpp LIBS tarvix_core tarvix_sim TSAN TIMEOUT 300)
