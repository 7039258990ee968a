tarvix_add_test(test_platform_console_keys LABEL platform SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_console_keys.cpp LIBS tarvix_platform util)
