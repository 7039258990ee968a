// Fuzzes the Intel-HEX line reader and converter on arbitrary file contents, and the
// decoding of received USB reports of arbitrary length and declared length.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "flashlink/C_USB.h"
#include "platform/hex_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0) {
        std::FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
        if (f) {
            std::string line;
            uint8_t piece[hex_record::max_piece];
            for (;;) {
                hex_record::read_result r = hex_record::read_line(f, line);
                if (r != hex_record::read_result::line)
                    break;
                if (line.size() > hex_record::max_line)
                    std::abort();
                size_t n = hex_record::to_piece(line.data(), line.size(), piece, sizeof piece);
                if (n != 0 && (n != size_t(piece[1]) + 5 || piece[0] != ':'))
                    std::abort();
            }
            std::fclose(f);
        }
    }
    // The report: the first byte picks the declared length, the rest is what was read.
    if (size >= 1) {
        uint16_t declared = data[0];
        uint8_t frame[C_USB::max_frame];
        uint16_t n = C_USB::DecodeReport(data + 1, uint32_t(size - 1), declared, frame);
        if (n > C_USB::max_frame || (n > 0 && size - 1 != declared))
            std::abort();
    }
    return 0;
}
