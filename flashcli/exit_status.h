// Exit status of the console downloader after a failure.
#pragma once
#include <cstdint>

namespace flashcli {

// class * 256 + code, where a class-2 code above 32 (a module abort reason) counts as
// code - 32.
int flashcli_exit_status(uint16_t result);

// The status a process can hand to its parent: the low 8 bits, and 255 where those would
// be 0, so that a failure never reads as success.
int process_exit_status(int status);

}  // namespace flashcli
