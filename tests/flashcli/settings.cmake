tarvix_add_test(test_flashcli_settings LABEL flashcli
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_settings.cpp
  LIBS flashcli_fake flashcli_core tarvix_testsupport)
tarvix_add_test(test_flashcli_report LABEL flashcli
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_report.cpp
  LIBS flashcli_fake flashcli_core tarvix_testsupport)
tarvix_add_test(test_flashcli_run LABEL flashcli
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_run.cpp
  LIBS flashcli_fake flashcli_core tarvix_testsupport)
tarvix_add_test(test_flashcli_progress LABEL flashcli
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_progress.cpp
  LIBS flashcli_core)
