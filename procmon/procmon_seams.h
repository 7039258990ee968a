// Links the process monitor into the core: the memory-card search that the start-up runs and
// the curve reader of a program write (the tool's CSV file in the program's curve folder).
#pragma once

void install_procmon_seams();
