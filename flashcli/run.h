// The run after the settings: the function menu, then exactly one download or upload
// through the transfer object of the open transport.
#pragma once
#include <cstdint>
#include <string>

namespace flashcli {

// Takes Z or asks for it. Sets `exit_mark` for "E"; an illegal code prints its line and
// gives 0xF007. 0xF006 at the end of input.
uint16_t ask_function_code(bool& exit_mark);

// The area code the file name forces: 7 for an extension (with its point) longer than 4
// characters ending in "X" or "x", else `area_code` unchanged.
uint16_t area_code_for(const std::string& file_name, uint16_t area_code);

uint16_t run_download(bool ram, bool binary);
uint16_t run_upload(bool real);

// Everything from the function code to the end of the transfer: 0 when it succeeded or
// the menu was left with "E".
uint16_t run_function();

}  // namespace flashcli
