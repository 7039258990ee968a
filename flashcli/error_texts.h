// The texts of the 16-bit result codes in German and English, as the error report prints
// them: the class prefix (where the class has one) followed by the text of the code.
#pragma once
#include <cstdint>
#include <string>

namespace flashcli {

// The report text of a result code in the language (0 German, 1 English); "%d" in a
// table text shows the code within the class, "%x" the whole code as a signed 16-bit
// number widened to 32 bits. The text of a damaged HEX file (0x1005) shows `hex_line`, the
// line at fault, in place of its "%d".
std::string error_text(uint16_t result, int language, unsigned long hex_line = 0);

}  // namespace flashcli
