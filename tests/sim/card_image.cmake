tarvix_add_test(test_sim_card_image LABEL sim
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_card_image.cpp
  LIBS tarvix_sim tarvix_procmon tarvix_testsupport DEPENDS tvxcard)
