# Runs the program from the application directory; the pause of one report is real (5 s).
tarvix_add_test(test_flashcli_process LABEL flashcli TIMEOUT 300
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_process.cpp
  LIBS tarvix_sim tarvix_testsupport util)
# The program against the tvxsim process over USB.
tarvix_add_test(test_flashcli_usb LABEL flashcli TIMEOUT 300
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_usb_run.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS flashcli_core tarvix_sim tarvix_testsupport util DEPENDS tvxsim flashcli)
# The command lines of TarvixStudio with the installed settings files.
tarvix_add_test(test_flashcli_lines LABEL flashcli TIMEOUT 300
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_lines.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS flashcli_fake flashcli_core tarvix_sim tarvix_testsupport util Qt5::Core DEPENDS tvxsim flashcli)
