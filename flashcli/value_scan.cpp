#include "value_scan.h"

namespace flashcli {
namespace {

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digit_value(char c, int base)
{
    int d = -1;
    if (c >= '0' && c <= '9')
        d = c - '0';
    else if (c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
    return d < base ? d : -1;
}

}  // namespace

bool scan_number(const char* text, int base, int max_width, uint32_t& value)
{
    const char* p = text;
    while (is_space(*p))
        ++p;
    int left = max_width > 0 ? max_width : 1 << 30;
    bool negative = false;
    if (left > 0 && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
        --left;
    }
    bool any = false;
    uint32_t v = 0;
    if (base == 16 && left > 0 && *p == '0') {
        any = true;
        ++p;
        --left;
        if (left > 1 && (*p == 'x' || *p == 'X') && digit_value(p[1], 16) >= 0) {
            ++p;
            --left;
        }
    }
    while (left > 0 && *p) {
        int d = digit_value(*p, base);
        if (d < 0)
            break;
        v = v * uint32_t(base) + uint32_t(d);
        any = true;
        ++p;
        --left;
    }
    if (!any)
        return false;
    value = negative ? uint32_t(0) - v : v;
    return true;
}

std::string scan_word(const char* text)
{
    const char* p = text;
    while (is_space(*p))
        ++p;
    const char* start = p;
    while (*p && !is_space(*p))
        ++p;
    return std::string(start, p);
}

}  // namespace flashcli
