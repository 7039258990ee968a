#include "core/image/range_checks.h"

#include <QString>
#include <QtDebug>

#include "core/image/core_state.h"
#include "core/text/safe_format.h"
#include "core/text/user_seam.h"

namespace {

struct header_test {
    uint32_t offset;
    bool (*fails)(int32_t);
    uint32_t code;
};

bool bits_beyond_0(int32_t v) { return (uint32_t(v) & ~1u) != 0; }
bool at_least_9(int32_t v) { return v >= 9; }
bool at_least_5(int32_t v) { return v >= 5; }
bool at_least_17(int32_t v) { return v >= 17; }
bool bits_beyond_3(int32_t v) { return (uint32_t(v) & ~0xFu) != 0; }
bool above_1(int32_t v) { return v > 1; }
bool bits_beyond_15(int32_t v) { return (uint32_t(v) & ~0xFFFFu) != 0; }
bool bits_beyond_14(int32_t v) { return (uint32_t(v) & ~0x7FFFu) != 0; }

const header_test k_header_tests[] = {
    {hdr::def_area_rel, bits_beyond_0, 1},       {hdr::def_mode, at_least_9, 2},
    {hdr::def_back_mode, at_least_5, 3},         {hdr::def_out1_func, at_least_17, 10},
    {hdr::def_out2_func, at_least_17, 11},       {hdr::def_out3_func, at_least_17, 12},
    {hdr::def_out4_func, at_least_17, 13},       {hdr::variant_bits, bits_beyond_3, 4},
    {hdr::area_flag, above_1, 5},                {hdr::profibus_options, bits_beyond_15, 6},
    {hdr::devicenet_options, bits_beyond_14, 7},
};

struct function_test {
    uint32_t offset;
    int32_t limit;  // fails when the value is at least this
    uint32_t field;
};

const function_test k_function_tests[] = {
    {fr::back_mode, 5, 1}, {fr::out1, 17, 2},        {fr::out2, 17, 3}, {fr::out3, 17, 4},
    {fr::out4, 17, 5},     {fr::ko_back_mode, 5, 6}, {fr::mode, 9, 8},
};

}  // namespace

uint32_t configuration_range_code(const config_image& image, uint8_t* mode_flag)
{
    if (mode_flag)
        *mode_flag = 0;
    const const_settings_header h = image.header();
    for (const header_test& t : k_header_tests) {
        if (!t.fails(h.field(t.offset)))
            continue;
        if (t.offset >= hdr::def_out1_func && t.offset <= hdr::def_out4_func)
            qDebug("Default_Out_Funktion -Fehler: %d", int(t.code));
        return t.code;
    }

    for (uint32_t n = 0; n < image_layout::function_count; ++n) {
        const const_function_record r = image.function(n);
        if (!r.in_use())
            continue;
        for (const function_test& t : k_function_tests) {
            const int32_t v = r.field(t.offset);
            if (v < t.limit)
                continue;
            if (t.offset != fr::mode)
                qDebug("OUTFUNC_Error 0x08X");  // the text the developers' logs know, without the code
            else if (mode_flag)
                *mode_flag = uint8_t((v >> 7) & 1);
            return ((n + 1) << 16) | t.field;
        }
    }
    return 0;
}

bool check_configuration_ranges(const config_image& image, uint8_t& mode_flag)
{
    const uint32_t code = configuration_range_code(image, &mode_flag);
    if (code == 0)
        return true;
    const std::string text = safe_format("Host Error: Data is out of range! ErrorCode: %08XH", {code});
    ui::current().message(ui::box_kind::critical, ui::title_error(), QString::fromLatin1(text.c_str()), ui::ok);
    return false;
}

bool check_legacy_firmware_ranges(const config_image& image, bool settings_only, error_record& e)
{
    e.set(err_type_device, 0, err_severity_error);
    // A stale position from an earlier error would name the wrong parameter.
    parameter_error_state& pe = g_parameter_error();
    pe.parameter_error_index = -1;
    pe.parameter_error_function = -1;

    const const_settings_header h = image.header();
    const struct {
        uint32_t offset;
        int32_t limit;
        int32_t index;
    } settings[] = {
        {hdr::def_mode, 5, 13},      {hdr::def_out1_func, 8, 20}, {hdr::def_out2_func, 8, 21},
        {hdr::def_out3_func, 8, 22}, {hdr::def_out4_func, 8, 23},
    };
    for (const auto& s : settings) {
        if (h.field(s.offset) >= s.limit) {
            pe.parameter_error_index = s.index;
            e.code = 30;
            return false;
        }
    }
    if (settings_only)
        return true;

    e.argument_kind = err_arg_once;
    const struct {
        uint32_t offset;
        int32_t limit;
        int32_t argument;
    } fields[] = {
        {fr::mode, 9, 9}, {fr::out1, 8, 20}, {fr::out2, 8, 21}, {fr::out3, 8, 22}, {fr::out4, 8, 23},
    };
    for (uint32_t n = 0; n < image_layout::function_count; ++n) {
        const const_function_record r = image.function(n);
        if (!r.in_use())
            continue;
        for (const auto& f : fields) {
            if (r.field(f.offset) >= f.limit) {
                e.argument = f.argument;
                pe.parameter_error_function = int32_t(n);
                e.code = 30;
                return false;
            }
        }
    }
    return true;
}
