// A file that an interrupted run must not leave behind (the temporary file of a save in
// progress): while one is named, SIGINT, SIGTERM and SIGHUP remove it, and the process then
// ends with the signal as it would have without. Only signals whose action is the default
// are taken; an ignored one (nohup) stays ignored, and one the program handles is its own.
#pragma once
#include <string>

namespace platform {

// Names the file to remove (in place of one named before) and takes the signals.
void remove_on_ending_signal(const std::string& path);
// Forgets the file and gives the signals taken back their default action.
void forget_on_ending_signal();

using signal_handler = void (*)(int);
// The handler the signals are taken with, for another handler that stands in for it for a
// while (the console's raw mode) and must do what it does.
signal_handler ending_signal_handler();
// What that handler does before the process ends with `sig`: removes the named file when
// `sig` is one of the three. Async-signal-safe.
void remove_before_ending(int sig);

}  // namespace platform
