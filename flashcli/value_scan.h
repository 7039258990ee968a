// Scanning of setting values the way the formatted-input conversions "%d", "%x", "%4x",
// "%8x" and "%s" read them, but bounded and without undefined behaviour on overflow
// (a number keeps its low 32 bits).
#pragma once
#include <cstdint>
#include <string>

namespace flashcli {

// Skips leading white space, then reads an optionally signed number of the base (10 or 16;
// hexadecimal may carry "0x") from at most max_width characters (0 = no limit).
// Returns false when no digit was found; value is then left alone.
bool scan_number(const char* text, int base, int max_width, uint32_t& value);

// Skips leading white space and returns the word up to the next white space.
std::string scan_word(const char* text);

}  // namespace flashcli
