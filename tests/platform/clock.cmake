tarvix_add_test(test_platform_clock LABEL platform SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_clock.cpp LIBS tarvix_platform)
