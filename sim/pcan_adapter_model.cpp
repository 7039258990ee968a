#include "pcan_adapter_model.h"

#include <cstring>
#include <stdexcept>

#include "can_bus_node.h"
#include "can_dongle_model.h"

namespace sim {
namespace pcan = platform::pcan;

pcan_adapter_model::pcan_adapter_model(std::shared_ptr<can_bus_port> bus) : bus_(std::move(bus))
{
    if (bus_)
        bus_->set_bitrate(0);
}

uint32_t pcan_adapter_model::close()
{
    std::lock_guard<std::mutex> lock(m_);
    initialised_ = false;
    bitrate_ = 0;
    queue_.clear();
    if (bus_)
        bus_->set_bitrate(0);
    return 0;
}

uint32_t pcan_adapter_model::init(uint16_t timing, int type)
{
    std::lock_guard<std::mutex> lock(m_);
    if (!bus_ || type != 0)
        return pcan::st_no_adapter;
    // The adapter's controller is an SJA1000 at 16 MHz, like the dongle's.
    bitrate_ = can_dongle_model::bitrate_of(static_cast<uint8_t>(timing >> 8), static_cast<uint8_t>(timing));
    bus_->set_bitrate(bitrate_);
    queue_.clear();
    overrun_ = false;
    initialised_ = true;
    ++inits_;
    return 0;
}

void pcan_adapter_model::pull_from_bus()
{
    can_frame f;
    while (bus_ && bus_->try_receive(f)) {
        if (queue_.size() >= queue_limit) {
            overrun_ = true;
            continue;
        }
        queue_.push_back(f);
    }
}

uint32_t pcan_adapter_model::read(uint8_t* record)
{
    std::lock_guard<std::mutex> lock(m_);
    if (!initialised_)
        return pcan::st_no_adapter;
    if (fail_reads_)
        return pcan::st_read_failed;
    pull_from_bus();
    if (queue_.empty())
        return pcan::st_queue_empty;
    can_frame f = queue_.front();
    queue_.pop_front();
    std::memset(record, 0, pcan::record_size);
    for (int i = 0; i < 4; ++i)
        record[pcan::rec_id + i] = static_cast<uint8_t>(f.id >> (8 * i));
    record[pcan::rec_type] = (f.flags & can_frame::flag_rtr)   ? pcan::type_remote
                             : (f.flags & can_frame::flag_ext) ? pcan::type_extended
                                                               : pcan::type_standard;
    // The length as it came over the wire, up to 15; the record holds eight data bytes.
    record[pcan::rec_length] = f.dlc;
    std::memcpy(record + pcan::rec_data, f.data.data(), 8);
    return 0;
}

uint32_t pcan_adapter_model::status()
{
    std::lock_guard<std::mutex> lock(m_);
    if (!initialised_)
        return pcan::st_no_adapter | forced_;
    pull_from_bus();
    uint32_t s = forced_;
    if (queue_.empty())
        s |= pcan::st_queue_empty;
    if (overrun_)
        s |= pcan::st_queue_overrun;
    overrun_ = false;
    return s;
}

uint32_t pcan_adapter_model::write(const uint8_t* record)
{
    std::lock_guard<std::mutex> lock(m_);
    if (!initialised_)
        return pcan::st_no_adapter;
    if (refuse_ > 0) {
        --refuse_;
        return pcan::st_transmit_full;
    }
    can_frame f;
    for (int i = 0; i < 4; ++i)
        f.id |= static_cast<uint32_t>(record[pcan::rec_id + i]) << (8 * i);
    if (record[pcan::rec_type] == pcan::type_remote)
        f.flags = can_frame::flag_rtr;
    else if (record[pcan::rec_type] == pcan::type_extended)
        f.flags = can_frame::flag_ext;
    f.dlc = record[pcan::rec_length] > 8 ? 8 : record[pcan::rec_length];
    std::memcpy(f.data.data(), record + pcan::rec_data, f.dlc);
    return bus_->send(f) ? 0 : pcan::st_transmit_full;
}

uint32_t pcan_adapter_model::bitrate() const
{
    std::lock_guard<std::mutex> lock(m_);
    return bitrate_;
}

int pcan_adapter_model::inits() const
{
    std::lock_guard<std::mutex> lock(m_);
    return inits_;
}

void pcan_adapter_model::force_status(uint32_t bits)
{
    std::lock_guard<std::mutex> lock(m_);
    forced_ = bits;
}

void pcan_adapter_model::refuse_writes(int n)
{
    std::lock_guard<std::mutex> lock(m_);
    refuse_ = n;
}

void pcan_adapter_model::fail_reads(bool on)
{
    std::lock_guard<std::mutex> lock(m_);
    fail_reads_ = on;
}

bool install_pcan_adapter(const std::string& bus_path)
{
    try {
        pcan::install(std::make_shared<pcan_adapter_model>(std::make_shared<can_bus_node>(bus_path, 0)));
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

}  // namespace sim
