// The transfers' shared state and steps, the variant and changed-data tests, and the tool
// table and process-monitor record reads.
#include <QFileInfo>
#include <array>

#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/image/core_state.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "core/transfer/config_transfer.h"

namespace {

curve_loader& loader_slot()
{
    static curve_loader l;
    return l;
}

}  // namespace

transfer_state& g_transfer()
{
    static transfer_state s;
    return s;
}

void set_curve_loader(curve_loader loader) { loader_slot() = std::move(loader); }

bool load_tool_curve(const QString& folder, const uint8_t* tool_record, std::vector<int16_t>& samples,
                     error_record& err)
{
    samples.clear();
    if (!loader_slot())
        return false;
    return loader_slot()(folder, tool_record, samples, err);
}

QString curve_folder_for(const QString& program_file)
{
    QFileInfo fi(program_file);
    return fi.absolutePath() + "/" + fi.completeBaseName();
}

void transfer_progress(int percent)
{
    if (percent != ui::current().progress_value())
        ui::current().progress_set(percent > 100 ? 100 : percent);
    dev_event_pass();
}

int32_t variant_bits_from_flags()
{
    // The one value the write accepts for these flags. Flags a controller of another family
    // left behind (variant bit 3 after a Basic sub-variant, bit 2 beside process monitoring)
    // do not enter it, so the value depends on the controller last read alone.
    const device_state& d = g_device();
    if (d.family_flag)
        return d.variant_bit3 ? 9 : 1;
    return d.pm_capable ? 2 : d.variant_bit2 ? 4 : 0;
}

bool variant_accepted(int32_t image_variant_bits)
{
    return (image_variant_bits & 0x0F) == variant_bits_from_flags();
}

int changed_data_entry(const config_image& image, int fields)
{
    struct rule {
        int entry;
        uint32_t field;
        int below;  // the controller's field count below which the rule applies
        enum { not_zero, above0, above1, not_value, not_0_or_1, pb_options } test;
        int32_t value;
    };
    static const std::array<rule, 30> rules = [] {
        std::array<rule, 30> r{};
        size_t i = 0;
        r[i++] = {40, 148, 37, rule::not_zero, 0};
        r[i++] = {41, 152, 38, rule::not_zero, 0};
        r[i++] = {42, 156, 39, rule::not_zero, 0};
        r[i++] = {43, 160, 40, rule::not_zero, 0};
        r[i++] = {44, 164, 41, rule::above1, 0};
        r[i++] = {47, 176, 44, rule::above0, 0};
        for (int e = 48; e <= 56; ++e)
            r[i++] = {e, uint32_t(180 + 4 * (e - 48)), 45 + (e - 48), rule::above0, 0};
        r[i++] = {57, 216, 54, rule::not_value, 10};
        r[i++] = {58, 220, 55, rule::not_value, 100};
        r[i++] = {59, 224, 56, rule::not_value, 300};
        r[i++] = {60, 228, 57, rule::not_value, 1000};
        for (int e = 61; e <= 64; ++e)
            r[i++] = {e, uint32_t(232 + 4 * (e - 61)), 58 + (e - 61), rule::above0, 0};
        r[i++] = {70, 268, 67, rule::above0, 0};
        r[i++] = {71, 272, 68, rule::above0, 0};
        r[i++] = {72, 276, 69, rule::not_0_or_1, 0};
        r[i++] = {73, 280, 70, rule::pb_options, 0};
        r[i++] = {74, 284, 71, rule::not_zero, 0};
        r[i++] = {75, 288, 72, rule::not_zero, 0};
        r[i++] = {77, 296, 73, rule::not_zero, 0};
        return r;
    }();
    const const_settings_header h = image.header();
    for (const rule& r : rules) {
        if (fields >= r.below)
            continue;
        const int32_t v = h.field(r.field);
        bool hit = false;
        switch (r.test) {
        case rule::not_zero: hit = v != 0; break;
        case rule::above0: hit = v > 0; break;
        case rule::above1: hit = v > 1; break;
        case rule::not_value: hit = v != r.value; break;
        case rule::not_0_or_1: hit = v != 0 && v != 1; break;
        case rule::pb_options: hit = v != 0 && v != 0x10111111; break;
        }
        if (hit)
            return r.entry;
    }
    return -1;
}

bool read_tool_table_from_device(error_record& err)
{
    err.clear();
    config_image& image = g_config_image();
    for (uint32_t i = 0; i < image_layout::tool_count; ++i) {
        transfer_progress(int(i * 100 / 501));
        tool_slot s = image.tool(i);
        bool found = false;
        if (!dev_read_record222(false, uint16_t(i), found, s.data() + slot::record, err))
            return false;
        s.set_in_use(found ? 1 : 0);
    }
    return true;
}

bool read_pm_records_from_device(bool with_progress, error_record& err)
{
    err.clear();
    image_state& images = g_images();
    if (with_progress)
        ui::current().progress_begin(QString::fromLatin1(txt_label(118).c_str()));
    for (uint32_t i = 0; i < image_layout::pm_record_count; ++i)
        images.pm_record(i).set_in_use(0);
    bool ok = true;
    // The store ends the list: a controller with more records than it holds gets its first
    // 8300 shown.
    for (uint32_t i = 0; i < image_layout::pm_record_count; ++i) {
        if (with_progress)
            ui::current().progress_set(int(i % 100));
        dev_event_pass();
        tool_slot s = images.pm_record(i);
        bool found = false;
        if (!dev_read_record222(true, uint16_t(i), found, s.data() + slot::record, err)) {
            ok = false;
            break;
        }
        if (!found)
            break;
        s.set_in_use(1);
    }
    if (with_progress)
        ui::current().progress_end();
    return ok;
}
