tarvix_add_fuzzer(fuzz_flashcli_settings SECONDS 15
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_settings.cpp
  LIBS flashcli_core)
