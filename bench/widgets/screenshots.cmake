# Not a benchmark: draws a curve plot and a filtered table and saves them as pictures for a
# person to look at (run under xvfb-run -a).
tarvix_add_bench(widgets_screenshots SOURCES ${CMAKE_CURRENT_LIST_DIR}/widgets_screenshots.cpp
  LIBS tarvix_widgets Qt5::Widgets)
