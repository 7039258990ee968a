# The object-transfer client: frames on a scripted transport, and transfers against the
# simulated boot loader over an in-memory loopback.
add_library(flashlink_testcomm STATIC ${CMAKE_CURRENT_LIST_DIR}/support/fake_comms.cpp)
target_include_directories(flashlink_testcomm PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(flashlink_testcomm PUBLIC flashlink tarvix_sim)
target_compile_options(flashlink_testcomm PRIVATE ${TARVIX_WARNINGS})

tarvix_add_test(flashlink_sdo_client_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sdo_client_test.cpp
  LIBS flashlink_testcomm)
tarvix_add_test(flashlink_sdo_loopback_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sdo_loopback_test.cpp
  LIBS flashlink_testcomm)
tarvix_add_fuzzer(flashlink_sdo_reply_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sdo_reply_fuzz.cpp
  LIBS flashlink_testcomm SECONDS 15)
