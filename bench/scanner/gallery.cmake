# Not a benchmark: saves pictures of the scanner parameter page's three tabs, the user
# scanner set dialog and the scanner finder in both modes, for a person to look at.
#   xvfb-run -a build/asan/bench/scanner_gallery <output folder>
tarvix_add_bench(scanner_gallery SOURCES ${CMAKE_CURRENT_LIST_DIR}/scanner_gallery.cpp LIBS tarvix_scanner)
target_compile_definitions(scanner_gallery PRIVATE TARVIX_APP_DIR="${TARVIX_APP_DIR}")
