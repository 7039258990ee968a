// The console downloader's run from its start to the open transport.
#pragma once
#include "arguments.h"

namespace flashcli {

// Runs the program with its arguments (without the program name) and returns its exit
// status: 0 after success and after the help text, otherwise the status of the failure
// (see flashcli_exit_status). Never ends the process itself.
int flashcli_main(const argument_list& args);

}  // namespace flashcli
