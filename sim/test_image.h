// Images for download tests, made from a seed: Intel-HEX files with random record lengths,
// gaps, segment (type 02) and linear (type 04) addressing, start records, LF or CR LF and
// upper or lower case; binary images with runs of 0xFF where asked. Each image comes with
// the bytes it placed by address, so tests compare memory with the generator, never with
// the parser under test.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace test_image {

struct run {
    uint32_t address;
    std::vector<uint8_t> bytes;
};

struct hex_options {
    uint32_t seed = 1;
    uint32_t data_bytes = 64 * 1024;  // bytes in data records, in all
    uint32_t base = 0;                // address of the first data byte as the file gives it
    uint8_t max_record = 32;          // data records carry 1 to this many bytes
    uint32_t max_gap = 64;            // some records are followed by a gap of up to this
    bool segment_records = true;      // address part of the image through type 02 records
    bool linear_records = true;       // and part through type 04 records
    bool start_records = true;        // types 03 and 05 before the end
    bool end_record = true;
    bool crlf = false;
    bool lower_case = false;
};

struct hex_image {
    std::string text;
    std::vector<run> runs;  // ascending, contiguous bytes merged; addresses as the file gives them
    size_t records = 0;     // lines of the file
};

hex_image make_hex(const hex_options& o);

// `size` random bytes, none 0xFF except the runs asked for (offset, length).
std::vector<uint8_t> make_binary(uint32_t seed, size_t size,
                                 const std::vector<std::pair<size_t, size_t>>& ff_runs = {});

// One Intel-HEX line (without line end) of the given record, checksum included.
std::string hex_line(uint8_t type, uint16_t offset, const std::vector<uint8_t>& data, bool lower_case = false);

}  // namespace test_image
