# The simulated boot loader's transfer server on its own: request frames in, replies out.
tarvix_add_test(sim_boot_sdo_server_test LABEL sim
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/boot_sdo_server_test.cpp
  LIBS tarvix_sim)
tarvix_add_fuzzer(sim_boot_sdo_request_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/boot_sdo_request_fuzz.cpp
  LIBS tarvix_sim SECONDS 10)
tarvix_add_test(sim_boot_loader_test LABEL sim
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/boot_loader_test.cpp
  LIBS tarvix_sim)
