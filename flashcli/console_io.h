// The standard streams the console downloader prints to and reads from. They are the C
// streams the download library prints to as well, so both outputs stay in order; tests
// put memory streams in their place.
#pragma once
#include <cstdio>

namespace flashcli {

struct console_io {
    FILE* out = stdout;
    FILE* in = stdin;
};

console_io& console();

// Back to the process's standard output and input.
void reset_console();

}  // namespace flashcli
