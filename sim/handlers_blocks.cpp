// Info queries, the error buffer, scanner parameter sets, memory areas, the 36 scanner
// configuration records and the byte stream.
#include <algorithm>
#include <cstring>

#include "core/image/byte_record.h"
#include "sim/diagnostics.h"
#include "sim/pm_live.h"
#include "sim/request_table.h"

namespace sim {

namespace dp = device_protocol;

namespace {

constexpr size_t user_set_base = 128;
// The largest stream the controller takes (the host never sends a file above 1 MiB).
constexpr size_t file_limit = 0x100000;

device_frame& info_reply(const device_frame& request, reply_sink& out, uint8_t count = dp::reply_count_info)
{
    device_frame& f = out.reply(count);
    f[dp::info_index_offset] = request[dp::info_index_offset];
    return f;
}

void put_block(device_frame& f, const world::info_block& b)
{
    std::memcpy(f.data() + dp::info_data_offset, b.data.data(), b.data.size());
}

}  // namespace

void handle_info(world& w, const device_frame& request, reply_sink& out)
{
    const uint8_t index = request[dp::info_index_offset];
    if (request.data_count() == dp::count_info_sub) {
        const uint8_t sub = request[dp::info_sub_offset];
        if (index == dp::info_self_test) {
            auto it = w.self_test.find(sub);
            if (it == w.self_test.end()) {
                out.error(dp::device_error_unknown_parameter);
                return;
            }
            put_block(info_reply(request, out), it->second);
            return;
        }
        if (index == dp::info_error_buffer) {
            // Past the last entry: device error 30 ends the list.
            if (sub >= w.error_buffer.size()) {
                error_buffer_read_to_end(w);
                out.error(dp::device_error_list_end);
                return;
            }
            device_frame& f = info_reply(request, out);
            f[5] = sub;
            std::memcpy(f.data() + 7, w.error_buffer[sub].data(), w.error_buffer[sub].size());
            return;
        }
        out.error(dp::device_error_unknown_parameter);
        return;
    }
    switch (index) {
    case dp::info_process_data:
    case dp::info_start_result:
    case dp::info_teach_result: {
        size_t at = index == dp::info_process_data   ? dp::process_piece_07
                    : index == dp::info_start_result ? dp::process_piece_1c
                                                     : dp::process_piece_1d;
        device_frame& f = info_reply(request, out);
        std::memcpy(f.data() + dp::info_data_offset, w.process_data.data() + at,
                    std::min(dp::process_piece_max, w.process_data.size() - at));
        return;
    }
    case dp::info_pm_ring: {
        device_frame& f = info_reply(request, out);
        pm_read_ring(w, f.data() + dp::info_data_offset);
        return;
    }
    case dp::info_pm_count: {
        device_frame& f = info_reply(request, out);
        auto it = w.info.find(index);
        if (it != w.info.end())
            put_block(f, it->second);
        f.set_u16(21, uint16_t(w.pm_records.size()));
        return;
    }
    default:
        break;
    }
    auto it = w.info.find(index);
    if (it == w.info.end()) {
        out.error(dp::device_error_unknown_parameter);
        return;
    }
    put_block(info_reply(request, out, it->second.count), it->second);
}

void handle_clear_info(world& w, const device_frame& request, reply_sink& out)
{
    if (request[dp::info_index_offset] != dp::info_error_buffer) {
        out.error(dp::device_error_unknown_parameter);
        return;
    }
    clear_error_buffer(w);
    out.reply(dp::reply_count_acknowledge);
}

namespace {
// The store index of a set byte: 0..127, or 128 + k for user set k; -1 when none.
int set_slot(uint8_t set)
{
    if (!(set & dp::scanner_user_bit))
        return set;
    int k = set & 0x7F;
    return k < 2 ? int(user_set_base) + k : -1;
}
}  // namespace

void handle_read_scanner(world& w, const device_frame& request, reply_sink& out)
{
    const uint8_t set = request[dp::scanner_set_offset];
    const uint8_t block = request[dp::scanner_block_offset];
    if (block > 3) {
        out.error(dp::device_error_scanner_block);
        return;
    }
    int slot = set_slot(set);
    if (slot < 0 || w.scanner_sets[size_t(slot)].empty()) {
        device_frame& f = out.reply_typed(uint8_t(request.type() | dp::type_second), 2);
        f[dp::scanner_set_offset] = set;
        f[dp::scanner_block_offset] = block;
        return;
    }
    device_frame& f = out.reply(dp::reply_count_scanner);
    f[dp::scanner_set_offset] = set;
    f[dp::scanner_block_offset] = block;
    std::memcpy(f.data() + dp::scanner_data_offset, w.scanner_sets[size_t(slot)].data() + block * dp::scanner_block,
                dp::scanner_block);
}

void handle_write_scanner(world& w, const device_frame& request, reply_sink& out)
{
    const uint8_t set = request[dp::scanner_set_offset];
    const uint8_t block = request[dp::scanner_block_offset];
    if (!(set & dp::scanner_user_bit)) {
        out.error(dp::device_error_scanner_write);
        return;
    }
    int slot = set_slot(set);
    if (slot < 0) {
        out.error(dp::device_error_scanner_set);
        return;
    }
    if (block > 3) {
        out.error(dp::device_error_scanner_block);
        return;
    }
    std::vector<uint8_t>& s = w.scanner_sets[size_t(slot)];
    s.resize(dp::scanner_set_size, 0);
    std::memcpy(s.data() + block * dp::scanner_block, request.data() + dp::scanner_data_offset, dp::scanner_block);
    out.acknowledge();
}

void handle_clear_scanner(world& w, const device_frame& request, reply_sink& out)
{
    const uint8_t set = request[dp::scanner_set_offset];
    if (!(set & dp::scanner_user_bit)) {
        out.error(dp::device_error_scanner_clear);
        return;
    }
    int slot = set_slot(set);
    if (slot < 0) {
        out.error(dp::device_error_scanner_set);
        return;
    }
    w.scanner_sets[size_t(slot)].clear();
    out.reply(dp::reply_count_acknowledge);
}

namespace {
std::vector<uint8_t>* memory_area(world& w, uint8_t area)
{
    if (area == dp::memory_area_diagnostic)
        return &w.diagnostic_area;
    if (area == dp::memory_area_clone)
        return &w.clone_area;
    return nullptr;
}

// The area, offset and count checks common to reads and writes; null after an error reply.
std::vector<uint8_t>* checked_area(world& w, const device_frame& request, reply_sink& out, uint32_t& offset,
                                   uint8_t& length)
{
    std::vector<uint8_t>* a = memory_area(w, request[dp::memory_area_offset]);
    offset = request.u32(dp::memory_address_offset);
    length = request[dp::memory_length_offset];
    if (!a) {
        out.error(dp::device_error_memory_area);
        return nullptr;
    }
    if (length > dp::memory_piece) {
        out.error(dp::device_error_memory_count);
        return nullptr;
    }
    if (offset > a->size() || length > a->size() - offset) {
        out.error(dp::device_error_memory_offset);
        return nullptr;
    }
    return a;
}
}  // namespace

void handle_read_memory(world& w, const device_frame& request, reply_sink& out)
{
    uint32_t offset = 0;
    uint8_t length = 0;
    std::vector<uint8_t>* a = checked_area(w, request, out, offset, length);
    if (!a)
        return;
    device_frame& f = out.reply(uint8_t(6 + length));
    std::memcpy(f.data() + dp::data_offset, request.data() + dp::data_offset, 6);
    std::memcpy(f.data() + dp::memory_data_offset, a->data() + offset, length);
}

void handle_write_memory(world& w, const device_frame& request, reply_sink& out)
{
    uint32_t offset = 0;
    uint8_t length = 0;
    std::vector<uint8_t>* a = checked_area(w, request, out, offset, length);
    if (!a)
        return;
    std::memcpy(a->data() + offset, request.data() + dp::memory_data_offset, length);
    out.acknowledge();
}

void handle_records36(world& w, const device_frame& request, reply_sink& out)
{
    const uint8_t index = request[dp::records36_index_offset];
    if (request[dp::info_index_offset] != dp::records36_marker ||
        request[dp::records36_index_offset + 1] != dp::records36_marker2 || index >= dp::records36_count) {
        out.error(dp::device_error_data_count);
        return;
    }
    if (index == 0) {
        w.records36_received = 0;
        w.records36_complete = false;
    }
    std::memcpy(w.records36.data() + index * dp::records36_record, request.data() + dp::records36_data_offset,
                dp::records36_record);
    w.records36_received |= uint64_t(1) << index;
    if (index + 1u == dp::records36_count) {
        // The last record makes the set the controller's: its first word is the number of
        // the customer configuration it carries.
        w.records36_complete = true;
        w.configuration_number = le::i32(w.records36.data());
    }
    out.acknowledge();
}

void handle_stream(world& w, const device_frame& request, reply_sink& out)
{
    if (request[dp::data_offset] != 1) {
        out.error(dp::device_error_data_count);
        return;
    }
    uint32_t piece = request.u32(dp::stream_piece_offset);
    const bool last = (piece & dp::stream_last_flag) != 0;
    piece &= ~dp::stream_last_flag;
    if (piece == 0) {
        w.stream.clear();
        w.stream_complete = false;
    }
    size_t at = size_t(piece) * dp::stream_piece;
    if (at >= file_limit) {
        out.error(dp::device_error_data_count);
        return;
    }
    w.stream.resize(std::max(w.stream.size(), at + dp::stream_piece));
    std::memcpy(w.stream.data() + at, request.data() + dp::stream_data_offset, dp::stream_piece);
    if (last)
        w.stream_complete = true;
    out.acknowledge();
}

}  // namespace sim
