# Not a benchmark: a picture of the advanced settings dialog, for a person to look at.
#   xvfb-run -a build/asan/bench/advanced_settings_gallery <output folder>
tarvix_add_bench(advanced_settings_gallery SOURCES ${CMAKE_CURRENT_LIST_DIR}/advanced_settings_gallery.cpp
  LIBS tarvix_program tarvix_app tarvix_sim)
target_compile_definitions(advanced_settings_gallery PRIVATE TARVIX_APP_DIR="${TARVIX_APP_DIR}")
