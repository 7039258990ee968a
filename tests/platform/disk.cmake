tarvix_add_test(test_platform_disk LABEL platform SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_disk.cpp LIBS tarvix_testsupport tarvix_platform)
