tarvix_add_test(test_manual_form LABEL manual SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_manual_form.cpp
  LIBS tarvix_manual tarvix_widgets_testing Qt5::Test)
tarvix_add_test(test_manual_rules LABEL manual SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_manual_rules.cpp
  LIBS tarvix_manual tarvix_testsupport Qt5::Test)
tarvix_add_test(test_manual_page LABEL manual SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_manual_page.cpp
  LIBS tarvix_manual tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_manual_tvxsim LABEL manual
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_manual_tvxsim.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_manual tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test TIMEOUT 400)
if(TARGET test_manual_tvxsim)
  add_dependencies(test_manual_tvxsim tvxsim)
endif()
tarvix_add_test(test_pm_monitor LABEL manual SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_pm_monitor.cpp
  LIBS tarvix_manual)
tarvix_add_test(test_manual_pm LABEL manual SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_manual_pm.cpp
  LIBS tarvix_manual tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_manual_selfcheck LABEL manual SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_manual_selfcheck.cpp
  LIBS tarvix_manual tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_manual_fieldbus LABEL manual SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_manual_fieldbus.cpp
  LIBS tarvix_manual tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test)
