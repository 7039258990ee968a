#include "sim/image_markers.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace image_marker {

std::string make(const char* tag, const std::vector<unsigned>& numbers)
{
    std::string s = tag;
    char b[16];
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i == 0)
            std::snprintf(b, sizeof b, "%u", numbers[i]);
        else if (i == 3 && std::strcmp(tag, firmware) == 0)
            std::snprintf(b, sizeof b, ".%03u", numbers[i]);
        else
            std::snprintf(b, sizeof b, ".%02u", numbers[i]);
        s += b;
    }
    return s;
}

bool find(const uint8_t* data, size_t n, const char* tag, std::vector<unsigned>* numbers, size_t max_numbers)
{
    const size_t t = std::strlen(tag);
    const uint8_t* end = data + n;
    const uint8_t* p = std::search(data, end, tag, tag + t);
    if (p == end)
        return false;
    if (!numbers)
        return true;
    numbers->clear();
    p += t;
    while (numbers->size() < max_numbers && p < end && std::isdigit(*p)) {
        unsigned v = 0;
        while (p < end && std::isdigit(*p) && v < 100000)
            v = v * 10 + unsigned(*p++ - '0');
        numbers->push_back(v);
        if (p < end && *p == '.')
            ++p;
        else
            break;
    }
    return true;
}

}  // namespace image_marker
