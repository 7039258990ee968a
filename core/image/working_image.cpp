#include "core/image/working_image.h"

void reset_working_image()
{
    reset_config_image(g_images().working);
    g_images().no_file_loaded = false;
    g_device().info_text = "----------";
}

void apply_variant_bits(config_image& image, device_state& device)
{
    settings_header h = image.header();
    int32_t bits = h.field(hdr::variant_bits);
    if (bits == -1) {
        bits = 0;
        h.set_field(hdr::variant_bits, 0);
    }
    device.family_flag = (bits & 1) ? 1 : 0;
    device.pm_capable = (bits & 2) ? 1 : 0;
    device.variant_bit2 = (bits & 4) ? 1 : 0;
    device.variant_bit3 = (bits & 8) ? 1 : 0;
    if (!device.family_flag)
        return;

    image.function(0).set_in_use(true);
    apply_basic_copy(image);
}

void apply_basic_copy(config_image& image)
{
    function_record r0 = image.function(0);
    if (r0.field(fr::flags) & fr::flag_cluster)
        return;
    // The Basic program's left and right sides follow function 0.
    const int32_t limit = r0.field(fr::teach_limit);
    const int32_t tolerance = r0.field(fr::tolerance);
    const int32_t intensity = r0.field(fr::intensity);
    function_record r1 = image.function(1);
    r1.set_field(fr::teach_limit, limit);
    r1.set_field(fr::tolerance, tolerance);
    r1.set_field(fr::intensity, intensity);
    function_record r2 = image.function(2);
    r2.set_field(fr::teach_limit, int32_t(0u - uint32_t(limit)));
    r2.set_field(fr::tolerance, tolerance);
    r2.set_field(fr::intensity, intensity);
}

void variant_from_image() { apply_variant_bits(g_images().working, g_device()); }
