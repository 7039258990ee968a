# Not a benchmark: saves a picture of each common widget for a person to look at.
#   xvfb-run -a build/asan/bench/widgets_gallery <output folder>
tarvix_add_bench(widgets_gallery SOURCES ${CMAKE_CURRENT_LIST_DIR}/gallery.cpp LIBS tarvix_widgets)
