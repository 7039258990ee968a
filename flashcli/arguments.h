// The console downloader's command line: help request, early language setting, switches,
// letter settings and the settings-file name.
#pragma once
#include <string>
#include <vector>

namespace flashcli {

// The arguments without the program name.
using argument_list = std::vector<std::string>;

// A first argument "H:<letter>" is applied before anything is printed, so that the banner
// already speaks the caller's language.
void apply_early_language(const argument_list& args);

// Only a single argument that begins with "?" asks for help.
bool is_help_request(const argument_list& args);

// Applies every argument in order (letter settings, switches, the settings-file name).
void apply_arguments(const argument_list& args);

// Applies one argument.
void apply_argument(const std::string& arg);

}  // namespace flashcli
