set(TARVIX_DIALOG_TEST_LIBS tarvix_program_dialogs tarvix_program tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_close_rule LABEL program_dialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_close_rule.cpp
  LIBS ${TARVIX_DIALOG_TEST_LIBS})
tarvix_add_test(test_function_dialog LABEL program_dialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_function_dialog.cpp
  LIBS ${TARVIX_DIALOG_TEST_LIBS})
tarvix_add_test(test_area_dialog LABEL program_dialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_area_dialog.cpp
  LIBS ${TARVIX_DIALOG_TEST_LIBS})
tarvix_add_test(test_cluster_dialog LABEL program_dialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_cluster_dialog.cpp
  LIBS ${TARVIX_DIALOG_TEST_LIBS})
tarvix_add_test(test_function_table LABEL program_dialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_function_table.cpp
  LIBS ${TARVIX_DIALOG_TEST_LIBS})
tarvix_add_test(test_function_dialogs_tvxsim LABEL program_dialogs
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_function_dialogs_tvxsim.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS ${TARVIX_DIALOG_TEST_LIBS} tarvix_sim TIMEOUT 400)
if(TARGET test_function_dialogs_tvxsim)
  add_dependencies(test_function_dialogs_tvxsim tvxsim TarvixStudio)
endif()
