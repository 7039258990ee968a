tarvix_add_test(test_platform_devices LABEL platform SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_devices.cpp
  LIBS tarvix_platform tarvix_devices tarvix_testsupport ${CMAKE_DL_LIBS})
if(TARGET test_platform_devices)
  add_dependencies(test_platform_devices portcan)
endif()
