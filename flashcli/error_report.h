// The single end point of every failure: the text of the result code, a pause so that a
// person can read it, the transport closed, and the exit status.
#pragma once
#include <cstdint>

namespace flashcli {

// Prints the report, waits 5 s (switch ")") or for one key without echo, closes the
// transport and returns the exit status of the result code.
int report_error(uint16_t result);

// report_error, then ends the process at once with the status the parent can see.
[[noreturn]] void report_error_and_exit(uint16_t result);

}  // namespace flashcli
