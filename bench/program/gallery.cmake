# Not a benchmark: saves pictures of the program window's tabs and its Basic page, for a
# person to look at.
#   xvfb-run -a build/asan/bench/program_gallery <output folder>
tarvix_add_bench(program_gallery SOURCES ${CMAKE_CURRENT_LIST_DIR}/program_gallery.cpp
  LIBS tarvix_program tarvix_app tarvix_sim)
target_compile_definitions(program_gallery PRIVATE TARVIX_APP_DIR="${TARVIX_APP_DIR}")
