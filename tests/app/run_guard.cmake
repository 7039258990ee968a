tarvix_add_test(test_app_run_guard LABEL app SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_run_guard.cpp
  LIBS tarvix_app tarvix_testsupport)
tarvix_add_test(test_app_single_instance LABEL app SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_single_instance.cpp
  LIBS tarvix_app tarvix_testsupport Qt5::Core DEPENDS TarvixStudio TIMEOUT 300)
