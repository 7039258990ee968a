# The CAN transport and the driver loader, against a test-only driver library with switches.
if(NOT TARVIX_FUZZ)
  foreach(variant "" _noerror _nosndready)
    add_library(testcan${variant} SHARED ${CMAKE_CURRENT_LIST_DIR}/support/testcan.cpp)
    target_include_directories(testcan${variant} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
    target_compile_options(testcan${variant} PRIVATE ${TARVIX_WARNINGS} -fvisibility=hidden)
    target_link_libraries(testcan${variant} PRIVATE ${CMAKE_DL_LIBS})
  endforeach()
  target_compile_definitions(testcan_noerror PRIVATE TESTCAN_NO_ERROR)
  target_compile_definitions(testcan_nosndready PRIVATE TESTCAN_NO_SNDREADY)
endif()
tarvix_add_test(flashlink_can_transport_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/can_transport_test.cpp
  LIBS flashlink tarvix_devices tarvix_testsupport ${CMAKE_DL_LIBS}
  ENV TARVIX_TESTCAN_DIR=${CMAKE_CURRENT_BINARY_DIR})
if(TARGET flashlink_can_transport_test)
  add_dependencies(flashlink_can_transport_test testcan testcan_noerror testcan_nosndready)
endif()
tarvix_add_test(flashlink_can_transfer_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/can_transfer_test.cpp ${CMAKE_CURRENT_LIST_DIR}/support/can_world.cpp
  LIBS flashlink_testcomm tarvix_testsupport ${CMAKE_DL_LIBS})
if(TARGET flashlink_can_transfer_test)
  add_dependencies(flashlink_can_transfer_test portcan pcanbridge PCAN_USB kerncan isacan)
endif()
tarvix_add_test(flashlink_can_matrix_test LABEL flashlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/can_matrix_test.cpp ${CMAKE_CURRENT_LIST_DIR}/support/can_world.cpp
          ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS flashlink_testcomm tarvix_testsupport ${CMAKE_DL_LIBS} DEPENDS tvxsim)
if(TARGET flashlink_can_matrix_test)
  add_dependencies(flashlink_can_matrix_test portcan pcanbridge PCAN_USB kerncan isacan)
endif()
