tarvix_add_test(test_platform_paths LABEL platform SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_paths.cpp LIBS tarvix_testsupport tarvix_platform)
