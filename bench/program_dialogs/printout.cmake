# The printout of a full program against QTextDocument alone, and opening the function dialog
# against plain combo boxes.
#   build/release/bench/bench_program_printout [rounds]
tarvix_add_bench(bench_program_printout SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_program_printout.cpp
  LIBS tarvix_program_dialogs tarvix_program tarvix_app)
