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

# The USB transport, on the scripted HID backend and against the tvxsim process.
tarvix_add_test(flashlink_usb_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/usb_test.cpp
  LIBS flashlink_testcomm TSAN)
tarvix_add_test(flashlink_usb_tvxsim_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/usb_tvxsim_test.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS flashlink_testcomm TSAN DEPENDS tvxsim)
tarvix_add_test(flashlink_usb_restart_slow_test LABEL "flashlink;slow"
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/usb_restart_slow_test.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS flashlink_testcomm DEPENDS tvxsim)

# The download sequences: in-process against the simulated loader, and against tvxsim.
tarvix_add_test(flashlink_sndhex_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sndhex_test.cpp
  LIBS flashlink_testcomm)
tarvix_add_test(flashlink_sndhex_tvxsim_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sndhex_tvxsim_test.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS flashlink_testcomm DEPENDS tvxsim)
tarvix_add_fuzzer(flashlink_hex_report_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/hex_report_fuzz.cpp
  LIBS flashlink SECONDS 10)
