#include "platform/hex_record.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace hex_record {
namespace {

// The value of each character as a hex digit, 0xFF for the others.
struct digit_table {
    uint8_t v[256];
    constexpr digit_table() : v()
    {
        for (int i = 0; i < 256; ++i)
            v[i] = 0xFF;
        for (int i = 0; i < 10; ++i)
            v['0' + i] = uint8_t(i);
        for (int i = 0; i < 6; ++i) {
            v['A' + i] = uint8_t(10 + i);
            v['a' + i] = uint8_t(10 + i);
        }
    }
};
constexpr digit_table digits;

bool blank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

}  // namespace

read_result read_line(std::FILE* f, std::string& line, unsigned long* line_number)
{
    // One character at a time without the stream's lock for each: a NUL inside a line
    // stays part of it (and makes it malformed), and no line is read beyond the limit.
    char buf[max_line];
    read_result result = read_result::end;
    flockfile(f);
    for (;;) {
        size_t n = 0;
        int c;
        bool any = false, blank_only = true;
        while ((c = getc_unlocked(f)) != EOF && c != '\n' && c != '\r') {
            if (!any && line_number)
                ++*line_number;
            any = true;
            if (n == max_line) {
                result = read_result::too_long;
                break;
            }
            buf[n++] = char(c);
            blank_only = blank_only && blank(c);
        }
        if (result == read_result::too_long)
            break;
        if (c != EOF && !any && line_number)
            ++*line_number;  // an empty line
        if (c == '\r') {
            // CR LF is one line end; a CR alone ends its line too.
            int next = getc_unlocked(f);
            if (next != '\n' && next != EOF)
                ungetc(next, f);
        }
        if (any && !blank_only) {
            size_t b = 0, e = n;
            while (blank(static_cast<unsigned char>(buf[b])))
                ++b;
            while (blank(static_cast<unsigned char>(buf[e - 1])))
                --e;
            line.assign(buf + b, e - b);
            result = read_result::line;
            break;
        }
        if (c == EOF)
            break;
    }
    funlockfile(f);
    return result;
}

unsigned long lines_before(std::FILE* f, long offset)
{
    unsigned long lines = 0;
    if (offset <= 0 || std::fseek(f, 0, SEEK_SET) != 0)
        return 0;
    // A CR counts unless an LF follows it, also when that LF lies at the offset: read_line
    // then counts the LF as the end of the line.
    char buf[65536];
    bool cr = false;
    long left = offset;
    for (;;) {
        const size_t want = left > 0 ? std::min(sizeof buf, size_t(left)) : 1;
        const size_t n = std::fread(buf, 1, want, f);
        if (n == 0)
            break;
        if (left <= 0) {
            // The byte at the offset, only to know whether it ends a CR LF pair.
            lines += cr && buf[0] != '\n';
            cr = false;
            break;
        }
        for (size_t i = 0; i < n; ++i) {
            if (cr && buf[i] != '\n')
                ++lines;
            cr = buf[i] == '\r';
            lines += buf[i] == '\n';
        }
        left -= long(n);
    }
    return lines + (cr ? 1 : 0);
}

check_result check_lines(std::FILE* f, long end_limit, unsigned long lines_before)
{
    check_result r;
    unsigned long number = lines_before;
    bool data = false;
    std::string line;
    uint8_t piece[max_piece];
    while (end_limit < 0 || std::ftell(f) < end_limit) {
        read_result rr = read_line(f, line, &number);
        if (rr == read_result::end)
            break;
        size_t n = rr == read_result::line ? to_piece(line.data(), line.size(), piece, sizeof piece) : 0;
        if (n == 0) {
            r.line = number;
            return r;
        }
        if (piece[4] == 0 && piece[1] > 0)
            data = true;
        if (piece[4] == 1 && !data) {
            r.line = number;
            return r;
        }
        // The transfer ends with the end record; what follows it (a DOS end-of-file mark, a
        // tool's trailer) is never read, so it cannot refuse the file either.
        if (piece[4] == 1)
            break;
    }
    if (!data) {
        r.line = number + 1;
        return r;
    }
    r.ok = true;
    return r;
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
    uint8_t bad = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(line) + 1;
    for (size_t i = 0; i < bytes; ++i) {
        uint8_t hi = digits.v[p[2 * i]], lo = digits.v[p[2 * i + 1]];
        bad |= uint8_t(hi | lo);
        raw[i] = uint8_t(hi << 4 | (lo & 0x0F));
        sum = uint8_t(sum + raw[i]);
    }
    if (bad & 0xF0)
        return 0;
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
