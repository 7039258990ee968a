tarvix_add_test(test_core_text_tables LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_text_tables.cpp
  LIBS tarvix_testsupport tarvix_core)
tarvix_add_test(test_core_error_texts LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_error_texts.cpp
  LIBS tarvix_testsupport tarvix_core)
tarvix_add_fuzzer(fuzz_core_error_texts SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_error_texts.cpp
  LIBS tarvix_core SECONDS 15)
