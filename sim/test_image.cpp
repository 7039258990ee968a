#include "sim/test_image.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>

namespace test_image {

std::string hex_line(uint8_t type, uint16_t offset, const std::vector<uint8_t>& data, bool lower_case)
{
    std::string s = ":";
    char b[8];
    uint8_t sum = 0;
    auto put = [&](uint8_t v) {
        std::snprintf(b, sizeof b, "%02X", v);
        s += b;
        sum = uint8_t(sum + v);
    };
    put(uint8_t(data.size()));
    put(uint8_t(offset >> 8));
    put(uint8_t(offset));
    put(type);
    for (uint8_t v : data)
        put(v);
    put(uint8_t(0x100 - sum));
    if (lower_case)
        for (auto& c : s)
            c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

hex_image make_hex(const hex_options& o)
{
    std::mt19937 g(o.seed);
    auto pick = [&](uint32_t lo, uint32_t hi) { return std::uniform_int_distribution<uint32_t>(lo, hi)(g); };
    hex_image img;
    const char* eol = o.crlf ? "\r\n" : "\n";
    auto line = [&](uint8_t type, uint16_t offset, const std::vector<uint8_t>& data) {
        img.text += hex_line(type, offset, data, o.lower_case);
        img.text += eol;
        ++img.records;
    };
    auto be16 = [](uint32_t v) { return std::vector<uint8_t>{uint8_t(v >> 8), uint8_t(v)}; };

    // The loader adds both extended parts; the image keeps one of them 0 at a time, so its
    // addresses mean the same under either reading.
    uint32_t linear = 0, segment = 0;
    bool use_segment = o.segment_records && !o.linear_records;
    uint32_t a = o.base;
    uint32_t left = o.data_bytes;
    while (left > 0) {
        if (o.segment_records && o.linear_records && pick(0, 15) == 0)
            use_segment = !use_segment;
        bool seg_mode = use_segment && a < 0xF0000;
        uint32_t want_linear = seg_mode ? 0 : a >> 16;
        uint32_t want_segment = seg_mode ? (a & 0xF0000) >> 4 : 0;
        if (!o.segment_records && !o.linear_records) {
            want_linear = 0;
            want_segment = 0;
        }
        // Clear the other part first, then set the one in use.
        if (want_segment != segment && segment != 0 && want_segment == 0) {
            line(2, 0, be16(0));
            segment = 0;
        }
        if (want_linear != linear) {
            line(4, 0, be16(want_linear));
            linear = want_linear;
        }
        if (want_segment != segment) {
            line(2, 0, be16(want_segment));
            segment = want_segment;
        }
        uint32_t offset = a - (linear << 16) - (segment << 4);
        uint32_t n = std::min<uint32_t>({pick(1, o.max_record), left, 0x10000 - offset});
        std::vector<uint8_t> data(n);
        for (auto& v : data)
            v = uint8_t(pick(0, 255));
        line(0, uint16_t(offset), data);
        if (!img.runs.empty() && img.runs.back().address + img.runs.back().bytes.size() == a)
            img.runs.back().bytes.insert(img.runs.back().bytes.end(), data.begin(), data.end());
        else
            img.runs.push_back({a, data});
        a += n;
        left -= n;
        if (o.max_gap && pick(0, 3) == 0)
            a += pick(1, o.max_gap);
    }
    if (o.start_records) {
        line(3, 0, {0x12, 0x34, 0x00, 0x10});
        line(5, 0, {uint8_t(o.base >> 24), uint8_t(o.base >> 16), uint8_t(o.base >> 8), uint8_t(o.base)});
    }
    if (o.end_record)
        line(1, 0, {});
    return img;
}

std::vector<uint8_t> make_binary(uint32_t seed, size_t size, const std::vector<std::pair<size_t, size_t>>& ff_runs)
{
    std::mt19937 g(seed);
    std::vector<uint8_t> b(size);
    for (auto& v : b)
        v = uint8_t(std::uniform_int_distribution<int>(0, 254)(g));
    for (const auto& r : ff_runs)
        for (size_t i = r.first; i < r.first + r.second && i < size; ++i)
            b[i] = 0xFF;
    return b;
}

}  // namespace test_image
