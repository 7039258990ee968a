// The controller's stores: function records, tool types (179 bytes), tools and
// process-monitor records (222 bytes) with their value lists.
#include <algorithm>
#include <cstring>

#include "sim/program_memory.h"
#include "sim/request_table.h"

namespace sim {

namespace dp = device_protocol;

namespace {

// The longest curve a tool's memory-card block holds: 7031 sectors of 256 samples.
constexpr size_t max_list_values = 7031 * 256;

// Whether the program's flash part still fits with `more` bytes added; a write that would not
// fit is refused rather than taken and lost at the next start.
bool program_fits(const world& w, size_t more)
{
    return w.program_flash_limit == 0 || program_memory::flash_part_size(w) + more <= w.program_flash_limit;
}

// "No data": the request's type with 0x40, the number echoed.
void no_data(const device_frame& request, reply_sink& out)
{
    device_frame& f = out.reply_typed(uint8_t(request.type() | dp::type_second), 2);
    f.set_u16(dp::record_number_offset, request.u16(dp::record_number_offset));
}

// Echo of number and piece index, as the controller answers record transfers.
device_frame& record_reply(const device_frame& request, reply_sink& out, size_t echo)
{
    device_frame& f = out.reply(dp::count_block);
    std::memcpy(f.data() + dp::data_offset, request.data() + dp::data_offset, echo);
    return f;
}

// A value list piece: 26 values from piece k.
void list_piece(const std::vector<int16_t>& list, uint32_t piece, device_frame& f)
{
    const size_t per = dp::record222_piece / 2;
    for (size_t i = 0; i < per; ++i) {
        size_t at = size_t(piece) * per + i;
        f.set_u16(dp::record222_data_offset + 2 * i, uint16_t(at < list.size() ? list[at] : 0));
    }
}

}  // namespace

void handle_read_function(world& w, const device_frame& request, reply_sink& out)
{
    uint16_t n = request.u16(dp::function_number_offset);
    if (n >= world::function_count) {
        out.error(dp::device_error_function_number);
        return;
    }
    if (n >= w.function_limit || !w.function_used[n]) {
        device_frame& f = out.reply_typed(uint8_t(request.type() | dp::type_second), dp::count_free_function);
        f.set_u16(dp::function_number_offset, n);
        return;
    }
    device_frame& f = out.reply(dp::reply_count_function);
    f.set_u16(dp::function_number_offset, n);
    std::memcpy(f.data() + dp::function_data_offset, w.functions[n].data(), world::function_size);
}

void handle_write_function(world& w, const device_frame& request, reply_sink& out)
{
    uint16_t n = request.u16(dp::function_number_offset);
    // Beyond a reduced controller's functions a free record is what is there already, so
    // freeing one is taken (a full write frees all 512); programming one is refused.
    bool freeing = request.type() == dp::req_free_function;
    if (n >= world::function_count || (n >= w.function_limit && !freeing)) {
        out.error(dp::device_error_function_number);
        return;
    }
    if (n >= w.function_limit) {
        out.acknowledge();
        return;
    }
    if (freeing) {
        w.function_used[n] = false;
        w.functions[n].fill(0);
    } else {
        std::memcpy(w.functions[n].data(), request.data() + dp::function_data_offset, world::function_size);
        w.function_used[n] = true;
    }
    out.acknowledge();
}

void handle_read_record179(world& w, const device_frame& request, reply_sink& out)
{
    uint16_t n = request.u16(dp::record_number_offset);
    uint8_t piece = request[dp::record179_piece_offset];
    if (n >= w.tool_types.size() || !w.tool_type_used[n]) {
        no_data(request, out);
        return;
    }
    size_t at = size_t(piece) * dp::record179_piece;
    if (at >= dp::record179_size) {
        out.error(dp::device_error_data_count);
        return;
    }
    device_frame& f = record_reply(request, out, 3);
    std::memcpy(f.data() + dp::record179_data_offset, w.tool_types[n].data() + at,
                std::min(dp::record179_piece, dp::record179_size - at));
}

void handle_write_record179(world& w, const device_frame& request, reply_sink& out)
{
    uint16_t n = request.u16(dp::record_number_offset);
    uint8_t piece = request[dp::record179_piece_offset];
    // Tool types 1 to 127 are the vendor's.
    if (n >= w.tool_types.size() || (n >= 1 && n <= 127)) {
        out.error(dp::device_error_not_supported);
        return;
    }
    if (request.type() == dp::req_free_record179) {
        w.tool_type_used[n] = false;
        w.tool_types[n].fill(0);
        out.reply(dp::reply_count_acknowledge);
        return;
    }
    size_t at = size_t(piece) * dp::record179_piece;
    if (at >= dp::record179_size || (!w.tool_type_used[n] && !program_fits(w, 2 + dp::record179_size))) {
        out.error(dp::device_error_data_count);
        return;
    }
    std::memcpy(w.tool_types[n].data() + at, request.data() + dp::record179_data_offset,
                std::min(dp::record179_piece, dp::record179_size - at));
    w.tool_type_used[n] = true;
    out.acknowledge();
}

void handle_read_record222(world& w, const device_frame& request, reply_sink& out)
{
    const bool second = request.type() == dp::req_read_record222_second;
    uint16_t n = request.u16(dp::record_number_offset);
    uint32_t piece = request.u32(dp::record222_piece_offset);
    if (piece & dp::value_list_piece_flag) {
        piece &= ~dp::value_list_piece_flag;
        auto& lists = second ? w.pm_lists : w.tool_lists;
        auto it = lists.find(n);
        if (it == lists.end() || it->second.empty()) {
            no_data(request, out);
            return;
        }
        device_frame& f = record_reply(request, out, 6);
        list_piece(it->second, piece, f);
        return;
    }
    const world::record222* rec = nullptr;
    if (second && n == dp::last_cycle_record)
        rec = w.last_cycle_valid ? &w.last_cycle : nullptr;
    else if (second)
        rec = n < w.pm_records.size() ? &w.pm_records[n] : nullptr;
    else
        rec = n < w.tools.size() && w.tool_used[n] ? &w.tools[n] : nullptr;
    if (!rec) {
        no_data(request, out);
        return;
    }
    size_t at = size_t(piece) * dp::record222_piece;
    if (at >= dp::record222_size) {
        out.error(dp::device_error_data_count);
        return;
    }
    device_frame& f = record_reply(request, out, 6);
    size_t len = std::min(dp::record222_piece, dp::record222_size - at);
    f[dp::record222_data_offset - 1] = uint8_t(len);
    std::memcpy(f.data() + dp::record222_data_offset, rec->data() + at, len);
}

void handle_write_record222(world& w, const device_frame& request, reply_sink& out)
{
    uint16_t n = request.u16(dp::record_number_offset);
    uint32_t piece = request.u32(dp::record222_piece_offset);
    if (piece & dp::value_list_piece_flag) {
        piece &= ~dp::value_list_piece_flag;
        const size_t per = dp::record222_piece / 2;
        // A list holds at most the longest curve; its last piece is cut there.
        const size_t first = size_t(piece) * per;
        if (first >= max_list_values) {
            out.error(dp::device_error_data_count);
            return;
        }
        const size_t end = std::min(first + per, max_list_values);
        auto it = w.tool_lists.find(n);
        const size_t before = it == w.tool_lists.end() ? 0 : it->second.size();
        const size_t after = piece == 0 ? end : std::max(before, end);
        if (after > before && !program_fits(w, 2 * (after - before) + (before == 0 ? 6 : 0))) {
            out.error(dp::device_error_data_count);
            return;
        }
        std::vector<int16_t>& list = w.tool_lists[n];
        if (piece == 0)
            list.clear();
        list.resize(std::max(list.size(), end));
        for (size_t i = first; i < end; ++i)
            list[i] = int16_t(request.u16(dp::record222_data_offset + 2 * (i - first)));
        out.acknowledge();
        return;
    }
    if (n >= w.tools.size()) {
        out.error(dp::device_error_function_number);
        return;
    }
    size_t at = size_t(piece) * dp::record222_piece;
    if (at >= dp::record222_size || (!w.tool_used[n] && !program_fits(w, 2 + dp::record222_size))) {
        out.error(dp::device_error_data_count);
        return;
    }
    std::memcpy(w.tools[n].data() + at, request.data() + dp::record222_data_offset,
                std::min(dp::record222_piece, dp::record222_size - at));
    w.tool_used[n] = true;
    out.acknowledge();
}

// 0x4C n: tool n freed (0xFFFF: all tools); 0x4D n: process-monitor record n deleted
// (0xFFFF: all). The reply echoes the type, 0x40 and all.
void handle_free_record222(world& w, const device_frame& request, reply_sink& out)
{
    const bool second = request.type() == dp::req_free_record222_second;
    uint16_t n = request.u16(dp::record_number_offset);
    if (second) {
        if (n == dp::clear_all_records) {
            w.pm_records.clear();
            w.pm_lists.clear();
        } else if (n < w.pm_records.size()) {
            w.pm_records.erase(w.pm_records.begin() + n);
            w.pm_lists.erase(n);
        }
    } else if (n == dp::clear_all_records) {
        std::fill(w.tool_used.begin(), w.tool_used.end(), false);
        w.tool_lists.clear();
    } else if (n < w.tools.size()) {
        w.tool_used[n] = false;
        w.tools[n].fill(0);
        w.tool_lists.erase(n);
    }
    out.reply(dp::reply_count_acknowledge);
}

}  // namespace sim
