# Not a benchmark: saves a picture of the main window and of each shell dialog for a person
# to look at.
#   xvfb-run -a build/asan/bench/app_gallery <output folder>
tarvix_add_bench(app_gallery SOURCES ${CMAKE_CURRENT_LIST_DIR}/gallery.cpp LIBS tarvix_app)
# The clone and access-level windows:
#   xvfb-run -a build/asan/bench/app_clone_shots <output folder>
tarvix_add_bench(app_clone_shots SOURCES ${CMAKE_CURRENT_LIST_DIR}/clone_shots.cpp LIBS tarvix_app)
