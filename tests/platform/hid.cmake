tarvix_add_test(test_platform_hid LABEL platform SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_hid.cpp LIBS tarvix_platform)
