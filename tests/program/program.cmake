tarvix_add_test(test_program_form LABEL program SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_program_form.cpp
  LIBS tarvix_program tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_program_rules LABEL program SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_program_rules.cpp
  LIBS tarvix_program tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_program_transfer LABEL program SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_program_transfer.cpp
  LIBS tarvix_program tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_program_save LABEL program SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_program_save.cpp
  LIBS tarvix_program tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_program_device LABEL program SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_program_device.cpp
  LIBS tarvix_program tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_program_open LABEL program SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_program_open.cpp
  LIBS tarvix_program tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_program_tvxsim LABEL program
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_program_tvxsim.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_program tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test TIMEOUT 400)
if(TARGET test_program_tvxsim)
  add_dependencies(test_program_tvxsim tvxsim TarvixStudio)
endif()
tarvix_add_test(test_program_print LABEL program SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_program_print.cpp
  LIBS tarvix_program tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_program_tools LABEL program SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_program_tools.cpp
  LIBS tarvix_program tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_program_tools_tvxsim LABEL program
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_program_tools_tvxsim.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_program tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test TIMEOUT 300)
if(TARGET test_program_tools_tvxsim)
  add_dependencies(test_program_tools_tvxsim tvxsim TarvixStudio)
endif()
