# Not a benchmark: pictures of the manual mode page against tvxsim for a person to look at.
#   xvfb-run -a build/asan/bench/manual_gallery <output folder>
tarvix_add_bench(manual_gallery SOURCES ${CMAKE_CURRENT_LIST_DIR}/gallery.cpp ${CMAKE_SOURCE_DIR}/tests/sim/tvxsim_process.cpp
  LIBS tarvix_manual tarvix_app tarvix_sim)
if(TARGET manual_gallery)
  add_dependencies(manual_gallery tvxsim)
endif()
