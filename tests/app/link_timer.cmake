tarvix_add_test(test_app_link_timer_tvxsim LABEL app
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_link_timer_tvxsim.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test TIMEOUT 400)
if(TARGET test_app_link_timer_tvxsim)
  add_dependencies(test_app_link_timer_tvxsim tvxsim)
endif()
tarvix_add_test(test_app_status_panel LABEL app SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_status_panel.cpp
  LIBS tarvix_app tarvix_widgets_testing tarvix_testsupport Qt5::Test)
tarvix_add_test(test_app_menu_actions_tvxsim LABEL app
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_menu_actions_tvxsim.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_app tarvix_sim tarvix_procmon tarvix_widgets_testing tarvix_testsupport Qt5::Test TIMEOUT 400)
if(TARGET test_app_menu_actions_tvxsim)
  add_dependencies(test_app_menu_actions_tvxsim tvxsim)
endif()
tarvix_add_test(test_app_unplug_tvxsim LABEL app
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_unplug_tvxsim.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_program tarvix_manual tarvix_app tarvix_sim tarvix_widgets_testing tarvix_testsupport Qt5::Test
  TIMEOUT 400)
if(TARGET test_app_unplug_tvxsim)
  add_dependencies(test_app_unplug_tvxsim tvxsim TarvixStudio)
endif()
