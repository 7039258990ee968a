#include "tests/core/normalise_for_device.h"

#include <cstring>

#include "core/image/device_function_record.h"
#include "core/image/paired_fields.h"
#include "core/image/working_image.h"
#include "core/transfer/config_transfer.h"

config_image normalise_for_device(const config_image& written, const device_state& d)
{
    config_image out;
    reset_config_image(out);
    settings_header h = out.header();
    const const_settings_header w = written.header();

    // Settings: each parameter as it travels (bytes of paired fields, 16 bits of the two
    // wide ones, the intensity through both maps); the process-monitor ones absent without
    // the process monitor.
    const auto& steps = parameter_steps();
    for (size_t k = 0; k < steps.size(); ++k) {
        const parameter_step& s = steps[k];
        const int32_t v = w.field(s.field_offset);
        int32_t back = v;
        if (!d.pm_capable && s.param >= 92 && s.param <= 96)
            back = -1;
        else if (s.part != value_part::whole)
            back = paired_fields::from_16_bits(s.field_offset, uint32_t(v));
        else if (s.field_offset == hdr::preposition_offset || s.field_offset == hdr::neg_teach_limit)
            back = int16_t(uint16_t(v));
        else if (k == 19)
            back = intensity_from_device(intensity_to_device(v, d), d);
        h.set_field(s.field_offset, back);
    }
    h.set_field(hdr::format_code, int32_t(image_layout::format_code));
    h.set_field(hdr::variant_bits, variant_bits_from_flags());

    // Function records: the packed form (12-character names, 8- and 16-bit fields, reserved
    // words lost, in use 1); a free record comes back as zeros.
    const uint32_t count = d.family_flag ? 4 : image_layout::function_count;
    for (uint32_t n = 0; n < count; ++n) {
        function_record r = out.function(n);
        if (!written.function(n).in_use()) {
            r.fill(0, image_layout::function_size, 0);
            continue;
        }
        device_function_record_bytes packed{};
        device_record_pack(written.function(n), byte_view(packed.data(), packed.size()), d);
        const function_record_bytes back = device_record_unpack(const_byte_view(packed.data(), packed.size()), d);
        std::memcpy(r.data(), back.data(), back.size());
    }
    for (uint32_t n = count; n < image_layout::function_count; ++n)
        out.function(n).set_in_use(false);

    // Tool types and tools: the records exactly, in use as a flag; a free one is not read.
    if (d.pm_capable && (d.family_code >> 4) == 0x3) {
        for (uint32_t t = 0; t < image_layout::tool_type_count; ++t)
            if (written.tool_type(t).in_use()) {
                std::memcpy(out.tool_type(t).data() + slot::record, written.tool_type(t).data() + slot::record,
                            slot::tool_type_record_size);
                out.tool_type(t).set_in_use(1);
            }
        for (uint32_t n = 0; n < image_layout::tool_count; ++n)
            if (written.tool(n).in_use()) {
                std::memcpy(out.tool(n).data() + slot::record, written.tool(n).data() + slot::record,
                            slot::tool_record_size);
                out.tool(n).set_in_use(1);
            }
    }

    // A Basic controller's program always has function 0, and functions 1 and 2 follow it.
    if (d.family_flag) {
        function_record r0 = out.function(0);
        if (!r0.in_use()) {
            const function_record_bytes def = function_record_clear(out.header());
            std::memcpy(r0.data(), def.data(), def.size());
            r0.set_in_use(true);
        }
        apply_basic_copy(out);
    }
    return out;
}
