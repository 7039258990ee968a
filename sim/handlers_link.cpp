// Requests of the link itself: the cyclic status request and the mailbox commands.
#include <algorithm>

#include "sim/request_table.h"

namespace sim {

namespace dp = device_protocol;

void handle_status(world& w, const device_frame&, reply_sink& out)
{
    if (w.loader_only) {
        device_frame& f = out.reply(0);
        f.set_u32(dp::data_offset, dp::loader_status_word);
        return;
    }
    device_frame& f = out.reply(w.status_count);
    // Status data as set, up to the data count; the rest of the frame stays zero.
    size_t n = std::min<size_t>(w.status_count, w.status.size());
    for (size_t i = 0; i < n; ++i)
        f[dp::data_offset + i] = w.status[i];
}

void handle_command(world& w, const device_frame& request, reply_sink& out)
{
    if (w.commands.size() >= world::max_commands)
        w.commands.erase(w.commands.begin());
    w.commands.push_back(request);
    out.acknowledge();
}

}  // namespace sim
