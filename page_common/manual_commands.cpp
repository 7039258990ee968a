#include "page_common/manual_commands.h"

#include "core/device/command_mailbox.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/image/device_function_record.h"
#include "state/link_state.h"

namespace dp = device_protocol;

device_frame manual_function_frame(uint32_t n, uint8_t command)
{
    device_frame f;
    function_record_to_device_record(n, uint32_t(command) | (n << 8), byte_view(f.data(), dp::frame_size));
    return f;
}

void queue_start_function(int n)
{
    if (n < 0 || n >= int(image_layout::function_count))
        return;
    const uint32_t u = uint32_t(n);
    const bool group = (g_config_image().function(u).field(fr::flags) & fr::flag_cluster) != 0;
    if (group && (u % 4 == 0 || u % 4 == 3)) {
        const uint32_t g = u & ~3u;
        queue_set_three(manual_function_frame(u, dp::cmd_start), manual_function_frame(g + 1, dp::cmd_start),
                        manual_function_frame(g + 2, dp::cmd_start));
        return;
    }
    queue_set_single(manual_function_frame(u, dp::cmd_start));
}

void queue_teach_function(int n)
{
    if (n < 0)
        return;
    g_status().teach_code = n | teach_no_refresh;
    queue_start_function(n);
    // All three slots, queued or not: a single teach leaves slots 1 and 2 unsent.
    for (int i = 0; i < 3; ++i)
        command_mailbox().frames[i][dp::command_offset] = dp::cmd_teach;
}

device_frame manual_stop_frame()
{
    device_frame f;
    function_record_to_request(byte_view(f.data(), dp::frame_size));
    f[dp::command_offset] = dp::cmd_stop;
    f.set_u16(manual_frame::function_number, 0xFFFF);
    return f;
}

void queue_stop() { queue_set_single(manual_stop_frame()); }

device_frame single_scan_frame(const single_scan_values& v)
{
    device_frame f;
    function_record_to_request(byte_view(f.data(), dp::frame_size));
    f[dp::command_offset] = dp::cmd_start;
    f.set_u16(manual_frame::function_number, 0xFFFF);
    f[manual_frame::mode] = v.mode;
    f.set_u16(manual_frame::zero_pair, 0);
    f.set_u32(manual_frame::object_pos, uint32_t(v.object_pos));
    f.set_u16(manual_frame::teach_limit, uint16_t(int16_t(v.teach_limit)));
    f.set_u16(manual_frame::tolerance, uint16_t(int16_t(v.tolerance)));
    f[manual_frame::intensity] = uint8_t(intensity_to_device(v.intensity_index));
    return f;
}

device_frame step_frame(bool positive, uint16_t speed)
{
    device_frame f = device_frame::make(dp::req_command, dp::count_command);
    f[dp::command_offset] = positive ? dp::cmd_step_plus : dp::cmd_step_minus;
    f.set_u16(manual_frame::step_speed, speed);
    return f;
}

device_frame stop_stepping_frame()
{
    device_frame f = device_frame::make(dp::req_command, dp::count_command);
    f[dp::command_offset] = dp::cmd_stop_stepping;
    return f;
}
