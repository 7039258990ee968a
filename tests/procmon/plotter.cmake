tarvix_add_test(test_procmon_limits LABEL procmon SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_pm_limits.cpp
  LIBS tarvix_testsupport tarvix_procmon)
tarvix_add_test(test_procmon_plotter LABEL procmon SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_plotter.cpp
  ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp LIBS tarvix_procmon_windows tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test)
if(TARGET test_procmon_plotter AND TARGET tvxsim)
  add_dependencies(test_procmon_plotter tvxsim)
endif()
tarvix_add_test(test_procmon_page LABEL procmon SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_procmon_page.cpp
  LIBS tarvix_procmon_windows tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_procmon_entry LABEL procmon SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_procmon_entry.cpp
  LIBS tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_procmon_filter_dialog LABEL procmon SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_filter_dialog.cpp
  LIBS tarvix_procmon_windows tarvix_widgets_testing tarvix_testsupport Qt5::Test)
