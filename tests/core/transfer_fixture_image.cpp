#include "tests/core/transfer_fixture_image.h"

#include <cstring>
#include <random>
#include <string>

#include "core/image/range_checks.h"
#include "core/image/tool_records.h"

// Sets every settings field the ranges allow to a value other than its default, wide
// enough that byte pairs and 16-bit fields carry both bytes.
void change_every_setting(config_image& w)
{
    settings_header h = w.header();
    uint8_t mode = 0;
    for (const auto& s : parameter_steps()) {
        if (s.part == value_part::high_byte)
            continue;
        const int32_t def = h.field(s.field_offset);
        const int32_t candidates[] = {0x0102 + int32_t(s.field_offset), def + 1, def - 1, 1, 2, 0};
        for (int32_t c : candidates) {
            if (c == def)
                continue;
            h.set_field(s.field_offset, c);
            if (configuration_range_code(w, &mode) == 0)
                break;
            h.set_field(s.field_offset, def);
        }
    }
}

// A full process-monitor program: a cluster of four, single functions with long names,
// wide values and reserved words, a free record with stale bytes; custom tool types and
// tools, some free with stale bytes.
config_image premium_pm_image()
{
    config_image w;
    reset_config_image(w);
    change_every_setting(w);
    w.header().set_field(hdr::variant_bits, 2);
    // A scanner the controller offers.
    w.header().set_field(hdr::scanner, 4);
    std::mt19937 rng(7);
    auto fill = [&rng](uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i)
            p[i] = uint8_t(rng());
    };
    const uint32_t used[] = {0, 1, 2, 3, 10, 20, 63};
    for (uint32_t n : used) {
        const function_record_bytes def = function_record_clear(w.header());
        function_record r = w.function(n);
        std::memcpy(r.data(), def.data(), def.size());
        r.set_in_use(true);
        r.set_name("Function no " + std::to_string(n) + "xyz");
        r.set_field(fr::object_pos, int32_t(0x12345 + n));
        r.set_field(fr::teach_limit, int32_t(0x23456 + n));
        r.set_field(fr::tolerance, -int32_t(300 + n));
        r.set_field(fr::intensity, int32_t(1 + n % 7));
        r.set_field(fr::back_angle, int32_t(0x10090 + n));
        r.set_field(fr::counter, int32_t(1000 + n));
        r.set_field(fr::counter_limit, int32_t(0x7000000 + n));
        r.set_field(fr::next_func, int32_t(0x10000 + n + 1));
        r.set_field(fr::ko_func, int32_t(n + 2));
        r.set_field(fr::warn_min, -5);
        r.set_field(fr::warn_max, 0x18000);
        r.set_field(fr::err_min, -7);
        r.set_field(fr::err_max, 70000);
        int32_t flags = n < 4 ? fr::flag_cluster | int32_t(n << 2) | (n == 0 ? fr::flag_start_marker : 0) : 0;
        r.set_field(fr::flags, flags | 0x100);
        for (uint32_t i = 0; i < fr::reserved_words; ++i)
            r.set_field(fr::reserved + 4 * i, int32_t(i * 77 + n));
    }
    fill(w.function(7).data() + fr::name, 40);  // free, with stale bytes

    for (uint32_t t : {128u, 129u, 200u, 255u}) {
        w.tool_type(t).set_in_use(1);
        fill(w.tool_type(t).data() + slot::record, slot::tool_type_record_size);
    }
    fill(w.tool_type(130).data() + slot::record, 20);  // free, stale
    for (uint32_t n : {0u, 1u, 250u, 499u}) {
        tool_slot s = w.tool(n);
        s.set_in_use(1);
        fill(s.data() + slot::record, slot::tool_record_size);
        s.set_u16(slot::record + tr::number, uint16_t(n));
    }
    fill(w.tool(3).data() + slot::record, 30);  // free, stale
    return w;
}

// The curves of the fixture program: one file per tool, one sample per line.
std::vector<int16_t> curve_of(uint32_t n)
{
    std::vector<int16_t> c;
    for (uint32_t i = 0; i < 40 + n % 37; ++i)
        c.push_back(int16_t(int32_t(i * 31 + n) - 500));
    return c;
}

