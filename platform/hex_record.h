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

// Reads the next line that is not blank, without its line end and surrounding blanks. A line
// ends in LF, CR LF or CR alone. `line_number`, when given, counts every line passed (blank
// ones too), so that it names the line returned, or the long line refused.
read_result read_line(std::FILE* f, std::string& line, unsigned long* line_number = nullptr);

// Converts one line to its piece; the piece length (5 + count), or 0 when the line is
// malformed: no ':' mark, a character that is not a hex digit, fewer digits than the count
// needs or more than the checksum ends, a wrong checksum, or a type 2 or 4 record without 2
// bytes or a type 3 or 5 record without 4. Upper and lower case digits are alike.
size_t to_piece(const char* line, size_t length, uint8_t* piece, size_t capacity);

// The number of lines that end before byte `offset` of the file, counted as read_line counts
// them, so that a window starting there numbers its lines as the whole file does (a line
// that the offset cuts is the first line of the window). Reads from the file's start; the
// position is left where the reading stopped.
unsigned long lines_before(std::FILE* f, long offset);

// What check_lines found: ok, or the number of the first line at fault (the first line read
// is `lines_before` + 1).
struct check_result {
    bool ok = false;
    unsigned long line = 0;
};

// Checks the lines from the stream's position on, while the position is below `end_limit`
// (-1: to the end of the file), as the download would read them: every line must convert to
// a piece, and a data record with at least one byte must come before the end record. A file
// without one is at fault at its end record, or at the line after its last. Stops at the
// first line at fault or after the end record (the download reads no further); leaves the
// position where it stopped.
check_result check_lines(std::FILE* f, long end_limit, unsigned long lines_before = 0);

}  // namespace hex_record
