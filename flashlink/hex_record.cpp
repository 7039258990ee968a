#include "flashlink/hex_record.h"

#include <cctype>
#include <cstring>

namespace hex_record {
namespace {

int digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool blank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

}  // namespace

read_result read_line(std::FILE* f, std::string& line)
{
    for (;;) {
        line.clear();
        int c;
        bool any = false;
        while ((c = std::getc(f)) != EOF && c != '\n') {
            any = true;
            if (line.size() == max_line)
                return read_result::too_long;
            line += char(c);
        }
        if (c == EOF && !any)
            return read_result::end;
        size_t b = 0, e = line.size();
        while (b < e && blank(static_cast<unsigned char>(line[b])))
            ++b;
        while (e > b && blank(static_cast<unsigned char>(line[e - 1])))
            --e;
        if (b < e) {
            line = line.substr(b, e - b);
            return read_result::line;
        }
        if (c == EOF)
            return read_result::end;
    }
}

size_t to_piece(const char* line, size_t length, uint8_t* piece, size_t capacity)
{
    // ':' + count, address, type (8 digits) + data + checksum (2 digits).
    if (length < 11 || line[0] != ':' || (length - 1) % 2 != 0)
        return 0;
    size_t bytes = (length - 1) / 2;
    uint8_t raw[5 + 255];
    if (bytes > sizeof raw)
        return 0;
    uint8_t sum = 0;
    for (size_t i = 0; i < bytes; ++i) {
        int hi = digit(line[1 + 2 * i]), lo = digit(line[2 + 2 * i]);
        if (hi < 0 || lo < 0)
            return 0;
        raw[i] = uint8_t(hi << 4 | lo);
        sum = uint8_t(sum + raw[i]);
    }
    uint8_t count = raw[0];
    if (bytes != size_t(count) + 5 || sum != 0)
        return 0;
    uint8_t type = raw[3];
    const uint8_t* data = raw + 4;
    if (((type == 2 || type == 4) && count != 2) || ((type == 3 || type == 5) && count != 4))
        return 0;
    size_t n = size_t(count) + 5;
    if (n > capacity)
        return 0;
    piece[0] = uint8_t(line[0]);
    piece[1] = count;
    piece[2] = raw[2];  // load address, little-endian
    piece[3] = raw[1];
    piece[4] = type;
    switch (type) {
    case 0:
        std::memcpy(piece + 5, data, count);
        break;
    case 2:
    case 4:
    case 3:
        // 16-bit values, little-endian: segment and offset, or CS then IP.
        for (size_t i = 0; i + 1 < count; i += 2) {
            piece[5 + i] = data[i + 1];
            piece[6 + i] = data[i];
        }
        break;
    case 5:
        for (size_t i = 0; i < 4; ++i)
            piece[5 + i] = data[3 - i];
        break;
    default:
        // The end record has no payload; other types are passed on unconverted, as zeros.
        std::memset(piece + 5, 0, count);
        break;
    }
    return n;
}

}  // namespace hex_record
