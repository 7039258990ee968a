// Numbers in the simulator's text commands: decimal, 0x-hexadecimal or 0-octal, whole word only.
#pragma once
#include <string>

namespace sim {

bool parse_number(const std::string& s, long& v);

}  // namespace sim
