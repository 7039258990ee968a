#include "sim/wire_log.h"

#include <cstdio>
#include <sstream>

#include "sim/event_loop.h"

namespace sim {

void wire_log::add(wire_direction d, uint8_t iface, const uint8_t* data, size_t n, std::string note)
{
    std::lock_guard<std::mutex> l(m_);
    uint64_t now = now_ns();
    if (start_ns_ == 0)
        start_ns_ = now;
    wire_entry e;
    e.seq = next_++;
    e.time_ms = uint32_t((now - start_ns_) / 1000000u);
    e.direction = d;
    e.interface_index = iface;
    e.report.assign(data, data + n);
    e.note = std::move(note);
    entries_.push_back(std::move(e));
    if (entries_.size() > capacity_)
        entries_.pop_front();
}

std::vector<wire_entry> wire_log::since(uint64_t seq) const
{
    std::lock_guard<std::mutex> l(m_);
    std::vector<wire_entry> out;
    for (const auto& e : entries_)
        if (e.seq >= seq)
            out.push_back(e);
    return out;
}

void wire_log::clear()
{
    std::lock_guard<std::mutex> l(m_);
    entries_.clear();
}

uint64_t wire_log::next_seq() const
{
    std::lock_guard<std::mutex> l(m_);
    return next_;
}

std::string wire_log::format(const wire_entry& e)
{
    static const char* dirs[] = {"in", "out", "refused"};
    std::string s = std::to_string(e.seq) + " " + std::to_string(e.time_ms) + " " + dirs[int(e.direction)] + " " +
                    std::to_string(e.interface_index) + " ";
    static const char hex[] = "0123456789abcdef";
    for (uint8_t b : e.report) {
        s.push_back(hex[b >> 4]);
        s.push_back(hex[b & 15]);
    }
    if (e.report.empty())
        s += "-";
    if (!e.note.empty())
        s += " " + e.note;
    return s;
}

bool wire_log::parse(const std::string& line, wire_entry& e)
{
    std::istringstream in(line);
    std::string dir, hex;
    unsigned iface = 0;
    if (!(in >> e.seq >> e.time_ms >> dir >> iface >> hex))
        return false;
    if (dir == "in")
        e.direction = wire_direction::in;
    else if (dir == "out")
        e.direction = wire_direction::out;
    else if (dir == "refused")
        e.direction = wire_direction::refused;
    else
        return false;
    e.interface_index = uint8_t(iface);
    e.report.clear();
    if (hex != "-") {
        if (hex.size() % 2)
            return false;
        for (size_t i = 0; i < hex.size(); i += 2)
            e.report.push_back(uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    std::getline(in >> std::ws, e.note);
    return true;
}

}  // namespace sim
