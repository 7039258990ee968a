// One letter setting ("K:5", "N:./image ; comment", "L:8000:0000") applied to the
// settings, honouring the rule that the first value of a letter wins.
#pragma once
#include <string>

namespace flashcli {

// Applies the setting whose letter is the first character and whose value starts at the
// third. Returns 0; a value too long for its field is refused by noting 0xF007 as the
// settings' result (the first failure noted stays).
int parse_parameter(const char* setting);

// Copies the value of N: up to the first ";" or the end, trailing characters of code 32
// or below cut. Returns whether anything is left.
bool copy_file_name(const char* value, std::string& destination);

// Upper case of an ASCII letter, whatever the locale; any other character unchanged.
char ascii_upper(char c);

}  // namespace flashcli
