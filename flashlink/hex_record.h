// Intel-HEX lines as the HEX download reads them: one bounded line at a time, converted to
// the piece the boot loader's record stream takes (mark, count, load address little-endian,
// type, converted payload). A line that is not a well-formed record is refused, checksum
// included, so that a damaged file is never flashed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace hex_record {

// Longer lines are malformed: the longest record (255 data bytes) takes 521 characters.
constexpr size_t max_line = 600;
// The longest piece: 5 header bytes and 255 payload bytes.
constexpr size_t max_piece = 5 + 255;

enum class read_result { line, end, too_long };

// Reads the next line that is not blank, without its line end and surrounding blanks.
read_result read_line(std::FILE* f, std::string& line);

// Converts one line to its piece; the piece length (5 + count), or 0 when the line is
// malformed: no ':' mark, a character that is not a hex digit, fewer digits than the count
// needs or more than the checksum ends, a wrong checksum, or a type 2 or 4 record without 2
// bytes or a type 3 or 5 record without 4. Upper and lower case digits are alike.
size_t to_piece(const char* line, size_t length, uint8_t* piece, size_t capacity);

}  // namespace hex_record
