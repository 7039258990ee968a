// What the console shows while a transfer runs: marks of the HEX addresses and of the
// kilobytes reached, or a hexadecimal dump of the bytes an upload reads. The download
// library calls these on the transfer's own thread, once per piece of work.
#pragma once
#include <cstdint>

namespace flashcli {

// The state of the three callbacks; one transfer runs per process.
struct progress_state {
    int32_t transfer_mark = 0;          // set just before the transfer; cleared by the first callback
    uint32_t extended_linear = 0;       // last type-4 value
    uint32_t extended_segment = 0;      // last type-2 value
    uint32_t last_hex_mark = 0;         // last paragraph printed
    uint32_t last_kilobyte_mark = 0;    // last byte count (or address) printed
    uint32_t dump_address = 0;          // address of the next dumped byte
    uint16_t column = 0;                // 0..15 within the dump line
    char characters[16] = {};           // the printable form of the line's bytes
};

progress_state& progress();
// Back to the start (for tests; a process runs one transfer).
void reset_progress();

// The record's address in 16-byte units.
uint32_t hex_paragraph(uint16_t load_address);

// data: the parsed record (byte 1 length, 2..3 address low byte first, 4 type, 5.. data).
int16_t hex_download_progress(uint8_t* data, uint16_t* count, int32_t* last, uint32_t user);
// count: the file position reached, in units of 256 bytes.
int16_t bin_download_progress(uint8_t* data, uint16_t* count, int32_t* last, uint32_t user);
// data/count: the bytes just read; last: nonzero on the final piece.
int16_t upload_dump(uint8_t* data, uint16_t* count, int32_t* last, uint32_t user);

}  // namespace flashcli
