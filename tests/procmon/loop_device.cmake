# Needs root and loop devices; skips with a message otherwise.
tarvix_add_test(test_procmon_loop_device LABEL procmon SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_loop_device.cpp
  LIBS tarvix_testsupport tarvix_procmon tarvix_sim)
