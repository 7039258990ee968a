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
