// A bus attachment for hardware models in unit tests: frames put in are what the model receives,
// frames the model sends are kept in order.
#pragma once
#include <deque>
#include <mutex>
#include <vector>

#include "sim/can_bus_port.h"

namespace testing_support {

class fake_bus_port final : public sim::can_bus_port {
public:
    bool send(const sim::can_frame& f) override
    {
        std::lock_guard<std::mutex> lock(m_);
        sim::can_frame g = f;
        g.bitrate = bitrate_;
        sent_.push_back(g);
        return true;
    }
    bool try_receive(sim::can_frame& f) override
    {
        std::lock_guard<std::mutex> lock(m_);
        if (inbox_.empty())
            return false;
        f = inbox_.front();
        inbox_.pop_front();
        return true;
    }
    bool set_bitrate(uint32_t b) override
    {
        std::lock_guard<std::mutex> lock(m_);
        bitrate_ = b;
        return true;
    }
    uint32_t bitrate() const override
    {
        std::lock_guard<std::mutex> lock(m_);
        return bitrate_;
    }

    void put(const sim::can_frame& f)
    {
        std::lock_guard<std::mutex> lock(m_);
        inbox_.push_back(f);
    }
    std::vector<sim::can_frame> sent() const
    {
        std::lock_guard<std::mutex> lock(m_);
        return sent_;
    }
    size_t waiting() const
    {
        std::lock_guard<std::mutex> lock(m_);
        return inbox_.size();
    }

private:
    mutable std::mutex m_;
    std::deque<sim::can_frame> inbox_;
    std::vector<sim::can_frame> sent_;
    uint32_t bitrate_ = 0;
};

}  // namespace testing_support
