# Not a benchmark: saves pictures of the element dialogs, filled from a program read from
# the simulated controller, for a person to look at.
#   xvfb-run -a build/asan/bench/program_dialogs_gallery <output folder>
tarvix_add_bench(program_dialogs_gallery SOURCES ${CMAKE_CURRENT_LIST_DIR}/program_dialogs_gallery.cpp
  LIBS tarvix_program_dialogs tarvix_program tarvix_app tarvix_sim)
target_compile_definitions(program_dialogs_gallery PRIVATE TARVIX_APP_DIR="${TARVIX_APP_DIR}")
