#include "core/device/device_commands.h"

#include <algorithm>
#include <cstring>

#include "core/device/device_exchange.h"
#include "core/image/byte_record.h"
#include "core/protocol/device_frame.h"
#include "core/text/safe_format.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"

namespace dp = device_protocol;

namespace {

// Stops the link timer's QTimer for a block transfer and starts it again on every way out.
class timer_pause {
public:
    timer_pause()
    {
        if (auto& f = g_dev_commands().link_timer_run)
            f(false);
    }
    ~timer_pause()
    {
        if (auto& f = g_dev_commands().link_timer_run)
            f(true);
    }
};

bool wait_idle(error_record& err)
{
    if (dev_wait_idle())
        return true;
    err.set(err_type_host, host_error_status_in_flight);
    return false;
}

bool no_data(const device_frame& reply) { return (reply.type() & dp::type_second) != 0; }

// The progress dialog moves only forward.
void progress_forward(dev_progress& p, uint32_t piece_bytes)
{
    p.done += piece_bytes;
    int pct = int(uint64_t(p.done) * 100 / (uint64_t(p.total) + 1));
    if (pct > ui::current().progress_value()) {
        ui::current().progress_set(std::min(pct, 100));
        dev_event_pass();
    }
}

}  // namespace

void dev_command_state::reset() { *this = dev_command_state{}; }

dev_command_state& g_dev_commands()
{
    static dev_command_state s;
    return s;
}

void dev_event_pass()
{
    exchange_busy_guard busy;
    ui::current().process_events();
}

bool dev_read_param(uint16_t number, uint8_t length, void* destination, error_record& err)
{
    err.clear();
    length = std::min<uint8_t>(length, dp::frame_size - dp::parameter_value_offset);
    device_frame f = device_frame::make(dp::req_read_parameter, dp::count_read_parameter);
    f.set_u16(dp::parameter_number_offset, number);
    device_frame reply;
    if (!dev_transact(f, reply.data(), err))
        return false;
    if (reply.u16(dp::parameter_number_offset) != number) {
        err.set(err_type_host, host_error_wrong_reply);
        return false;
    }
    std::memcpy(destination, reply.data() + dp::parameter_value_offset, length);
    return true;
}

bool dev_read_param_u32(uint16_t number, uint32_t& value, error_record& err)
{
    uint8_t b[4] = {};
    if (!dev_read_param(number, 4, b, err))
        return false;
    value = le::u32(b);
    return true;
}

bool dev_write_param(uint16_t number, uint8_t length, const void* value, error_record& err)
{
    err.clear();
    length = std::min<uint8_t>(length, dp::frame_size - dp::parameter_value_offset);
    device_frame f = device_frame::make(dp::req_write_parameter, uint8_t(length + 2));
    f.set_u16(dp::parameter_number_offset, number);
    std::memcpy(f.data() + dp::parameter_value_offset, value, length);
    device_frame reply;
    if (!dev_send_and_wait(f, reply.data(), dev_long_timeout_ms, err)) {
        err.argument_kind = err_arg_none;
        return false;
    }
    return true;
}

bool dev_read_block(uint8_t area, uint8_t* destination, uint32_t offset, uint32_t length, error_record& err,
                    bool quiet)
{
    err.clear();
    timer_pause paused;
    if (!quiet && !wait_idle(err))
        return false;
    uint32_t done = 0;
    while (done < length) {
        uint8_t piece = uint8_t(std::min<uint32_t>(length - done, dp::memory_piece));
        device_frame f = device_frame::make(dp::req_read_memory, dp::count_read_memory);
        f[dp::memory_area_offset] = area;
        f.set_u32(dp::memory_address_offset, offset + done);
        f[dp::memory_length_offset] = piece;
        device_frame reply;
        if (!dev_transact(f, reply.data(), err))
            return false;
        // The reply echoes area, address and length and carries the whole piece.
        if (std::memcmp(reply.data() + dp::memory_area_offset, f.data() + dp::memory_area_offset,
                        dp::memory_data_offset - dp::memory_area_offset) != 0 ||
            reply.data_count() < dp::memory_data_offset - dp::data_offset + piece) {
            err.set(err_type_host, host_error_wrong_reply);
            return false;
        }
        std::memcpy(destination + done, reply.data() + dp::memory_data_offset, piece);
        done += piece;
        if (!quiet)
            dev_event_pass();
    }
    return true;
}

bool dev_write_block(uint8_t area, const uint8_t* source, uint32_t offset, uint32_t length, error_record& err)
{
    err.clear();
    if (!wait_idle(err))
        return false;
    timer_pause paused;
    uint32_t done = 0;
    while (done < length) {
        uint8_t piece = uint8_t(std::min<uint32_t>(length - done, dp::memory_piece));
        device_frame f = device_frame::make(dp::req_write_memory, dp::count_block);
        f[dp::memory_area_offset] = area;
        f.set_u32(dp::memory_address_offset, offset + done);
        f[dp::memory_length_offset] = piece;
        if (source)
            std::memcpy(f.data() + dp::memory_data_offset, source + done, piece);
        device_frame reply;
        if (!dev_transact(f, reply.data(), err))
            return false;
        done += piece;
        dev_event_pass();
    }
    return true;
}

bool dev_write_zero_block(uint8_t area, uint32_t offset, uint32_t length, error_record& err)
{
    return dev_write_block(area, nullptr, offset, length, err);
}

bool dev_clear_records(bool second_store, uint16_t value, error_record& err)
{
    err.clear();
    device_frame f =
        device_frame::make(second_store ? dp::req_free_record222_second : dp::req_free_record222, dp::count_block);
    f.set_u16(dp::record_number_offset, value);
    device_frame reply;
    return dev_transact(f, reply.data(), err);
}

bool dev_clear_error_buffer(error_record& err)
{
    err.clear();
    device_frame f = device_frame::make(dp::req_clear_info, dp::count_info_sub);
    f[dp::info_index_offset] = dp::info_error_buffer;
    device_frame reply;
    return dev_transact(f, reply.data(), err);
}

bool dev_query_info_frame(uint8_t index, device_frame& reply, error_record& err)
{
    err.clear();
    device_frame f = device_frame::make(dp::req_info, dp::count_info);
    f[dp::info_index_offset] = index;
    return dev_transact(f, reply.data(), err);
}


bool dev_query_info(uint8_t index, uint8_t* destination59, error_record& err)
{
    device_frame reply;
    if (!dev_query_info_frame(index, reply, err))
        return false;
    std::memcpy(destination59, reply.data() + dp::data_offset, dp::info_block_size);
    return true;
}

bool dev_query_info_14(error_record& err)
{
    device_frame reply;
    if (!dev_query_info_frame(dp::info_fieldbus, reply, err))
        return false;
    auto& b = g_dev_commands().fieldbus_status;
    // A short reply or one to another index would show stale or foreign fieldbus data.
    if (reply[dp::info_index_offset] != dp::info_fieldbus || reply.data_count() < b.size() + 1) {
        err.set(err_type_host, host_error_wrong_reply);
        return false;
    }
    std::memcpy(b.data(), reply.data() + dp::info_data_offset, b.size());
    return true;
}

bool dev_query_info_19(uint32_t* destination2, error_record& err)
{
    device_frame reply;
    if (!dev_query_info_frame(dp::info_error_detail, reply, err))
        return false;
    destination2[0] = reply.u32(5);
    destination2[1] = reply.u32(9);
    return true;
}

bool dev_query_info_typed(int type, error_record& err)
{
    uint8_t index = dp::info_process_data;
    size_t at = dp::process_piece_07;
    if (type == 1) {
        index = dp::info_start_result;
        at = dp::process_piece_1c;
    } else if (type == 2) {
        index = dp::info_teach_result;
        at = dp::process_piece_1d;
    }
    device_frame reply;
    if (!dev_query_info_frame(index, reply, err))
        return false;
    auto& b = g_dev_commands().process_data;
    const size_t n = std::min(dp::process_piece_max, b.size() - at);
    // A reply that answers another index, or carries fewer bytes than this piece takes,
    // would put foreign or stale bytes into the block: refused, the block stays as it was.
    if (reply[dp::info_index_offset] != index || reply.data_count() < n + 1) {
        err.set(err_type_host, 7);
        return false;
    }
    std::memcpy(b.data() + at, reply.data() + dp::info_data_offset, n);
    return true;
}

bool dev_query_info_1b(error_record& err)
{
    device_frame reply;
    if (!dev_query_info_frame(dp::info_pm_ring, reply, err))
        return false;
    auto& b = g_dev_commands().pm_ring;
    // A short ring or another index's reply would feed stale or foreign samples to the curve.
    if (reply[dp::info_index_offset] != dp::info_pm_ring || reply.data_count() < b.size() + 1) {
        err.set(err_type_host, 7);
        return false;
    }
    std::memcpy(b.data(), reply.data() + dp::info_data_offset, b.size());
    return true;
}

bool dev_query_info_28(int32_t* destination6, bool wait, error_record& err)
{
    err.clear();
    if (wait && !wait_idle(err))
        return false;
    device_frame reply;
    for (uint8_t sub : {dp::self_test_first, dp::self_test_second}) {
        device_frame f = device_frame::make(dp::req_info, dp::count_info_sub);
        f[dp::info_index_offset] = dp::info_self_test;
        f[dp::info_sub_offset] = sub;
        if (!dev_transact(f, reply.data(), err))
            return false;
        // The values must all be there and answer this query.
        const size_t last = sub == dp::self_test_first ? dp::self_test_operation + 4 : dp::self_test_factor + 2;
        if (reply[dp::info_index_offset] != dp::info_self_test || reply.data_count() + dp::data_offset < last) {
            err.set(err_type_host, host_error_wrong_reply);
            return false;
        }
        if (sub == dp::self_test_first) {
            destination6[0] = int32_t(reply.u32(dp::self_test_serial));
            destination6[1] = int32_t(reply.u32(dp::self_test_operation));
            destination6[2] = int16_t(reply.u16(dp::self_test_overtemp));
        } else {
            destination6[3] = int16_t(reply.u16(dp::self_test_power));
            destination6[4] = int16_t(reply.u16(dp::self_test_speed));
            destination6[5] = int16_t(reply.u16(dp::self_test_factor));
        }
    }
    return true;
}

namespace {

struct piece_geometry {
    size_t size;         // bytes of the record
    size_t piece;        // bytes a piece
    size_t index_at;     // piece index offset
    bool index_wide;     // 32-bit index, else 8-bit
    size_t data_at;      // data offset in request and reply
};
constexpr piece_geometry geometry222{dp::record222_size, dp::record222_piece, dp::record222_piece_offset, true,
                                     dp::record222_data_offset};
constexpr piece_geometry geometry179{dp::record179_size, dp::record179_piece, dp::record179_piece_offset, false,
                                     dp::record179_data_offset};

void set_index(device_frame& f, const piece_geometry& g, uint32_t index)
{
    if (g.index_wide)
        f.set_u32(g.index_at, index);
    else
        f[g.index_at] = uint8_t(index);
}

bool read_record(uint8_t type, const piece_geometry& g, uint16_t number, bool& found, uint8_t* destination,
                 error_record& err)
{
    err.clear();
    found = false;
    size_t remaining = g.size;
    uint32_t index = 0;
    while (remaining > 0) {
        size_t n = std::min(remaining, g.piece);
        device_frame f = device_frame::make(type, dp::count_block);
        f.set_u16(dp::record_number_offset, number);
        set_index(f, g, index);
        device_frame reply;
        if (!dev_transact(f, reply.data(), err))
            return false;
        if (no_data(reply))
            return true;
        std::memcpy(destination + index * g.piece, reply.data() + g.data_at, n);
        remaining -= n;
        ++index;
    }
    found = true;
    return true;
}

bool write_record(uint8_t type, const piece_geometry& g, uint16_t number, const uint8_t* source, error_record& err)
{
    size_t remaining = g.size;
    uint32_t index = 0;
    while (remaining > 0) {
        size_t n = std::min(remaining, g.piece);
        device_frame f = device_frame::make(type, dp::count_block);
        f.set_u16(dp::record_number_offset, number);
        set_index(f, g, index);
        std::memcpy(f.data() + g.data_at, source + index * g.piece, n);
        device_frame reply;
        if (!dev_transact(f, reply.data(), err))
            return false;
        // A free record is deleted by its first frame.
        if (index == 0 && no_data(reply))
            return true;
        remaining -= n;
        ++index;
    }
    return true;
}

}  // namespace

bool dev_read_record222(bool second_store, uint16_t number, bool& found, uint8_t* destination, error_record& err)
{
    return read_record(second_store ? dp::req_read_record222_second : dp::req_read_record222, geometry222, number,
                       found, destination, err);
}

bool dev_read_record222_8000(bool& found, uint8_t* destination, error_record& err)
{
    return dev_read_record222(true, dp::last_cycle_record, found, destination, err);
}

bool dev_read_record179(uint16_t number, bool& found, uint8_t* destination, error_record& err)
{
    return read_record(dp::req_read_record179, geometry179, number, found, destination, err);
}

bool dev_write_record222(uint16_t number, bool in_use, const uint8_t* source, error_record& err)
{
    err.clear();
    if (!wait_idle(err))
        return false;
    return write_record(in_use ? dp::req_write_record222 : dp::req_free_record222, geometry222, number, source, err);
}

bool dev_write_record179(uint16_t number, bool in_use, const uint8_t* source, error_record& err)
{
    err.clear();
    return write_record(in_use ? dp::req_write_record179 : dp::req_free_record179, geometry179, number, source, err);
}

bool dev_read_value_list(bool second_store, uint16_t list_id, uint32_t count, dev_progress& progress, bool& found,
                         std::vector<int16_t>& values, error_record& err)
{
    err.clear();
    found = false;
    values.clear();
    if (!wait_idle(err))
        return false;
    size_t remaining = size_t(count) * 2;
    uint32_t index = 0;
    while (remaining > 0) {
        size_t n = std::min(remaining, dp::record222_piece);
        device_frame f = device_frame::make(second_store ? dp::req_read_record222_second : dp::req_read_record222,
                                            dp::count_block);
        f.set_u16(dp::record_number_offset, list_id);
        f.set_u32(dp::record222_piece_offset, index | dp::value_list_piece_flag);
        device_frame reply;
        if (!dev_transact(f, reply.data(), err))
            return false;
        if (index == 0 && no_data(reply))
            return true;
        // A reply that carries fewer bytes than the piece would pass its zeros off as values.
        if (reply.data_count() < dp::record222_data_offset - dp::data_offset + n) {
            err.set(err_type_host, host_error_wrong_reply);
            return false;
        }
        for (size_t i = 0; i < n / 2; ++i)
            values.push_back(int16_t(reply.u16(dp::record222_data_offset + 2 * i)));
        remaining -= n;
        ++index;
        progress_forward(progress, uint32_t(n));
    }
    found = true;
    return true;
}

bool dev_write_value_list(uint16_t list_id, const std::vector<int16_t>& values, dev_progress& progress,
                          error_record& err)
{
    err.clear();
    if (!wait_idle(err))
        return false;
    size_t remaining = values.size() * 2;
    uint32_t index = 0;
    size_t at = 0;
    while (remaining > 0) {
        size_t n = std::min(remaining, dp::record222_piece);
        device_frame f = device_frame::make(dp::req_write_record222, dp::count_block);
        f.set_u16(dp::record_number_offset, list_id);
        f.set_u32(dp::record222_piece_offset, index | dp::value_list_piece_flag);
        for (size_t i = 0; i < n / 2; ++i)
            f.set_u16(dp::record222_data_offset + 2 * i, uint16_t(values[at++]));
        device_frame reply;
        if (!dev_transact(f, reply.data(), err))
            return false;
        remaining -= n;
        ++index;
        progress_forward(progress, uint32_t(n));
    }
    return true;
}

bool dev_read_scanner_block(uint8_t set, uint8_t block, uint8_t* data56, bool& exists, error_record& err)
{
    err.clear();
    exists = false;
    device_frame f = device_frame::make(dp::req_read_scanner, dp::count_read_scanner);
    f[dp::scanner_set_offset] = set;
    f[dp::scanner_block_offset] = block;
    device_frame reply;
    if (!dev_transact(f, reply.data(), err))
        return false;
    if (no_data(reply))
        return true;
    std::memcpy(data56, reply.data() + dp::scanner_data_offset, dp::scanner_block);
    exists = true;
    return true;
}

bool dev_write_scanner_block(uint8_t set, uint8_t block, const uint8_t* data56, error_record& err)
{
    err.clear();
    device_frame f = device_frame::make(dp::req_write_scanner, dp::count_write_scanner);
    f[dp::scanner_set_offset] = set;
    f[dp::scanner_block_offset] = block;
    std::memcpy(f.data() + dp::scanner_data_offset, data56, dp::scanner_block);
    device_frame reply;
    return dev_transact(f, reply.data(), err);
}

bool dev_clear_scanner_set(uint8_t set, error_record& err)
{
    err.clear();
    device_frame f = device_frame::make(dp::req_clear_scanner, dp::count_clear_scanner);
    f[dp::scanner_set_offset] = set;
    device_frame reply;
    return dev_transact(f, reply.data(), err);
}

bool dev_write_records36(const uint8_t* data2016, const QString& name, error_record& err)
{
    err.clear();
    g_dev_commands().update_in_progress = 1;
    ui::services& u = ui::current();
    const QString title = QString::fromLatin1(
        safe_format(txt_label(512), {format_arg(name.toLatin1().toStdString())}).c_str());
    u.progress_begin(title);
    bool ok = true;
    for (size_t i = 0; i < dp::records36_count && ok; ++i) {
        int pct = int(i * 100 / (dp::records36_count - 1));
        if (pct != u.progress_value())
            u.progress_set(pct);
        device_frame f = device_frame::make(dp::req_records36, dp::count_block);
        f[dp::info_index_offset] = dp::records36_marker;
        f[dp::records36_index_offset] = uint8_t(i);
        f[dp::records36_index_offset + 1] = dp::records36_marker2;
        std::memcpy(f.data() + dp::records36_data_offset, data2016 + i * dp::records36_record, dp::records36_record);
        device_frame reply;
        // The controller takes its time over the last record: it applies the whole set then.
        uint16_t timeout = i + 1 == dp::records36_count ? dev_long_timeout_ms : dev_timeout_ms;
        ok = dev_send_and_wait(f, reply.data(), timeout, err);
    }
    u.progress_end();
    return ok;
}

bool dev_write_stream(const uint8_t* data, uint32_t length, error_record& err)
{
    err.clear();
    if (length == 0) {
        err.set(err_type_host, 31);
        return false;
    }
    update_in_progress_guard updating;
    ui::services& u = ui::current();
    u.progress_begin(QString::fromLatin1(txt_label(119).c_str()));
    // A stream shorter than one piece still counts as one piece for the progress.
    const uint32_t pieces = std::max<uint32_t>(1, length / dp::stream_piece);
    uint32_t done = 0;
    uint32_t index = 0;
    bool ok = true;
    while (done < length && ok) {
        uint32_t n = std::min<uint32_t>(length - done, dp::stream_piece);
        bool last = done + n == length;
        u.progress_set(int(std::min<uint32_t>(index * 100 / pieces, 100)));
        device_frame f = device_frame::make(dp::req_stream, dp::count_block);
        f[dp::data_offset] = 1;
        f.set_u32(dp::stream_piece_offset, index | (last ? dp::stream_last_flag : 0));
        std::memcpy(f.data() + dp::stream_data_offset, data + done, n);
        device_frame reply;
        ok = dev_send_and_wait(f, reply.data(), last ? dev_long_timeout_ms : dev_timeout_ms, err);
        done += n;
        ++index;
    }
    u.progress_end();
    return ok;
}
