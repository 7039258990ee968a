#include "cankdrv_model.h"

#include <cstring>
#include <stdexcept>

#include "can_bus_node.h"
#include "platform/devices/services.h"
#include "platform/devices/win_error.h"

namespace sim {
namespace {
using platform::win_error::invalid_parameter;

uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

struct request_shape {
    int function;
    uint32_t in_size;
    uint32_t out_size;
    int connection_at;  // -1: the request carries no connection byte
};
// Sizes of every request; function 13's output is the FIFO memory, announced as 22 bytes.
constexpr request_shape shapes[] = {
    {1, 16, 8, -1}, {2, 16, 8, 2},  {3, 16, 8, 2},   {4, 16, 8, 2},   {6, 16, 8, 2},   {7, 16, 8, 2},
    {17, 16, 8, 2}, {8, 22, 22, 6}, {9, 22, 22, 6},  {11, 22, 22, 6}, {15, 22, 22, 6}, {16, 22, 22, -1},
    {13, 22, 22, -1}, {12, 1, 1, -1}, {14, 3, 3, -1},
};

const request_shape* shape_of(uint32_t code)
{
    for (const request_shape& s : shapes)
        if (cankdrv_model::code_of(s.function) == code)
            return &s;
    return nullptr;
}
}  // namespace

uint32_t cankdrv_model::code_of(int f)
{
    return 0xC0020000u | (static_cast<uint32_t>(f) << 2) | (f == 13 ? 2u : 0u);
}

cankdrv_model::cankdrv_model(std::shared_ptr<can_bus_port> bus) : bus_(std::move(bus))
{
    objects_.clear();
    if (bus_)
        bus_->set_bitrate(0);
}

uint32_t cankdrv_model::open()
{
    std::lock_guard<std::mutex> lock(m_);
    return present_ ? 0 : platform::win_error::file_not_found;
}

void cankdrv_model::close() {}

std::vector<uint32_t> cankdrv_model::requests() const
{
    std::lock_guard<std::mutex> lock(m_);
    return log_;
}

std::vector<uint8_t> cankdrv_model::last_input() const
{
    std::lock_guard<std::mutex> lock(m_);
    return last_input_;
}

bool cankdrv_model::device_open() const
{
    std::lock_guard<std::mutex> lock(m_);
    return open_;
}

uint32_t cankdrv_model::bitrate() const
{
    std::lock_guard<std::mutex> lock(m_);
    return bitrate_;
}

void cankdrv_model::set_status_word(uint16_t word)
{
    std::lock_guard<std::mutex> lock(m_);
    status_word_ = word;
}

void cankdrv_model::fail_next_request(uint32_t e)
{
    std::lock_guard<std::mutex> lock(m_);
    fail_next_ = e;
}

void cankdrv_model::set_present(bool present)
{
    std::lock_guard<std::mutex> lock(m_);
    present_ = present;
}

void cankdrv_model::refuse_writes(bool refuse)
{
    std::lock_guard<std::mutex> lock(m_);
    refuse_writes_ = refuse;
}

uint16_t cankdrv_model::take_status()
{
    uint16_t s = status_word_;
    status_word_ = 0;
    return s;
}

uint32_t cankdrv_model::io_control(uint32_t code, const void* in, uint32_t in_size, void* out, uint32_t out_size,
                                   uint32_t* returned)
{
    std::lock_guard<std::mutex> lock(m_);
    log_.push_back(code);
    const uint8_t* i = static_cast<const uint8_t*>(in);
    last_input_.assign(i, i ? i + in_size : i);
    *returned = 0;
    if (fail_next_) {
        uint32_t e = fail_next_;
        fail_next_ = 0;
        return e;
    }
    const request_shape* s = shape_of(code);
    uint8_t* o = static_cast<uint8_t*>(out);
    if (!s || in_size != s->in_size || out_size != s->out_size || !i || !o)
        return invalid_parameter;
    if (s->connection_at >= 0 && (!open_ || i[s->connection_at] != connection))
        return invalid_parameter;
    return handle(s->function, i, in_size, o, out_size, returned);
}

uint32_t cankdrv_model::handle(int f, const uint8_t* in, uint32_t, uint8_t* out, uint32_t out_size,
                               uint32_t* returned)
{
    if (f != 13)
        std::memset(out, 0, out_size);
    *returned = out_size;
    int h = get16(in + 4);
    switch (f) {
    case 1: {
        int16_t baud = static_cast<int16_t>(get16(in + 4));
        uint16_t port = get16(in + 8);
        if (open_ || (port != 1 && port != 2) || !candrv::baud_accepted(candrv::library::portcan, baud)) {
            put16(out, 1);
            return 0;
        }
        open_ = true;
        bitrate_ = candrv::timing_table[baud].bitrate;
        objects_.clear();
        std::memset(slot_full_, 0, sizeof(slot_full_));
        std::memset(has_fifo_, 0, sizeof(has_fifo_));
        if (bus_)
            bus_->set_bitrate(bitrate_);
        out[4] = connection;
        return 0;
    }
    case 2:
        objects_.global_mask = get16(in + 4);
        return 0;
    case 3:
        objects_.diag_mask = get16(in + 4);
        return 0;
    case 4:
        open_ = false;
        bitrate_ = 0;
        if (bus_)
            bus_->set_bitrate(0);
        return 0;
    case 6: {
        uint32_t fifo_field = static_cast<uint32_t>(get16(in + 8) | (get16(in + 10) << 16));
        // The field is only 32 bits wide: on this system it says no more than "has a FIFO".
        bool fifo = fifo_field != 0;
        auto a = objects_.allocate_receive(get16(in + 4), nullptr, in[12] != 0, candrv::object_count - 2);
        put16(out + 2, static_cast<uint16_t>(a.candidate));
        if (!a.taken) {
            put16(out, 2);
            return 0;
        }
        objects_.note_candidate(a.candidate);
        has_fifo_[a.candidate] = fifo;
        slot_full_[a.candidate] = false;
        fifo_queue_[a.candidate].clear();
        fifo_overflow_[a.candidate] = false;
        return 0;
    }
    case 7:
        h = get16(in);
        if (candrv::valid_handle(h)) {
            objects_.close(h);
            has_fifo_[h] = false;
            slot_full_[h] = false;
            fifo_queue_[h].clear();
        }
        return 0;
    case 17:
        std::memset(slot_full_, 0, sizeof(slot_full_));
        return 0;
    case 8:
        out[2] = 1;
        put16(out + 8, take_status());
        return 0;
    case 9: {
        uint16_t word = get16(in + 12);
        uint8_t len = static_cast<uint8_t>(word >> 12);
        if (refuse_writes_ || len > 8 || !bus_) {
            put16(out + 8, take_status());
            return 0;
        }
        can_frame fr;
        fr.id = word & 0x7FF;
        fr.dlc = len;
        std::memcpy(fr.data.data(), in + 14, len);
        out[2] = bus_->send(fr) ? 1 : 0;
        put16(out + 8, take_status());
        return 0;
    }
    case 11:
        pull_from_bus();
        if (candrv::valid_handle(h) && slot_full_[h]) {
            out[2] = 1;
            std::memcpy(out + 10, slot_[h], 12);
            slot_full_[h] = false;
        }
        put16(out + 8, take_status());
        return 0;
    case 15:
        put16(out + 8, take_status());
        return 0;
    case 16:
        if (candrv::valid_handle(h)) {
            slot_full_[h] = false;
            fifo_queue_[h].clear();
        }
        return 0;
    case 13:
        pull_from_bus();
        if (candrv::valid_handle(h) && has_fifo_[h])
            fill_fifo(h, out);
        *returned = 22;
        return 0;
    case 12:
        out[0] = static_cast<uint8_t>(in[0] == 1 || in[0] == 2 ? 0x78 : 0xFF);
        return 0;
    case 14:
        return 0;
    }
    return invalid_parameter;
}

void cankdrv_model::pull_from_bus()
{
    if (!bus_ || !open_)
        return;
    can_frame fr;
    for (int n = 0; n < 1024 && bus_->try_receive(fr); ++n) {
        if (fr.flags & (can_frame::flag_rtr | can_frame::flag_ext))
            continue;
        int h = objects_.dispatch(static_cast<uint16_t>(fr.id));
        if (h < 0)
            continue;
        // The length bits carry what came over the wire, up to 15.
        uint8_t rec[12] = {};
        put16(rec + 2, static_cast<uint16_t>((fr.id & 0x7FF) | ((fr.dlc & 0x0F) << 12)));
        std::memcpy(rec + 4, fr.data.data(), 8);
        if (has_fifo_[h]) {
            if (fifo_queue_[h].size() < queue_limit)
                fifo_queue_[h].emplace_back(rec, rec + 12);
            else
                fifo_overflow_[h] = true;
        } else {
            std::memcpy(slot_[h], rec, 12);
            slot_full_[h] = true;
        }
    }
}

void cankdrv_model::fill_fifo(int h, uint8_t* fifo)
{
    // The caller's FIFO memory: its own header says how large it is.
    if (!candrv::fifo::sane(fifo))
        return;
    while (!fifo_queue_[h].empty()) {
        if (candrv::fifo::full(fifo)) {
            fifo_overflow_[h] = true;
            break;
        }
        candrv::fifo::push(fifo, fifo_queue_[h].front().data());
        fifo_queue_[h].pop_front();
    }
    if (fifo_overflow_[h]) {
        candrv::put_field(fifo, candrv::fifo::overflow,
                          candrv::get_field(fifo, candrv::fifo::overflow) | 0x02);
        fifo_overflow_[h] = false;
    }
}

void register_cankdrv_service(const std::string& bus_path)
{
    platform::services::configure(
        "CANKDRV", {[bus_path]() -> uint32_t {
                        std::shared_ptr<can_bus_port> bus;
                        try {
                            bus = std::make_shared<can_bus_node>(bus_path, 0);
                        } catch (const std::runtime_error&) {
                            return platform::win_error::gen_failure;
                        }
                        platform::devices::register_device("CANKDRV", std::make_shared<cankdrv_model>(bus));
                        return 0;
                    },
                    []() -> uint32_t {
                        platform::devices::unregister_device("CANKDRV");
                        return 0;
                    }});
}

}  // namespace sim
