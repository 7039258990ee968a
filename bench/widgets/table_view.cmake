tarvix_add_bench(bench_widgets_table_view SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_table_view.cpp
  LIBS tarvix_widgets Qt5::Widgets)
