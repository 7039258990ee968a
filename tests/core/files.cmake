tarvix_add_test(test_core_small_files LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_small_files.cpp
  LIBS tarvix_testsupport tarvix_core)
tarvix_add_test(test_core_scanner_lists LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_scanner_lists.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fake_scanner_sets.cpp LIBS tarvix_testsupport tarvix_core Qt5::Gui)
tarvix_add_test(test_core_parameter_files LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_parameter_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fake_scanner_sets.cpp LIBS tarvix_testsupport tarvix_core)
tarvix_add_test(test_core_program_file LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_program_file.cpp
  LIBS tarvix_testsupport tarvix_core)
tarvix_add_fuzzer(fuzz_core_file_readers SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_file_readers.cpp
  LIBS tarvix_core SECONDS 15)
tarvix_add_test(test_core_scanner_sim LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_scanner_sim.cpp
  LIBS tarvix_testsupport tarvix_core tarvix_sim Qt5::Gui TIMEOUT 300)
tarvix_add_test(test_core_hostile_files LABEL core SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_hostile_files.cpp
  LIBS tarvix_testsupport tarvix_core Qt5::Gui)
