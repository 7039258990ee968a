// The simulator's record of every report that crossed the wire, and of every one it
// refused, for assertions on order and content.
#pragma once
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

enum class wire_direction : uint8_t { in, out, refused };

struct wire_entry {
    uint64_t seq = 0;
    uint32_t time_ms = 0;  // since the simulator started
    wire_direction direction = wire_direction::in;
    uint8_t interface_index = 0;
    std::vector<uint8_t> report;  // the whole report as written or sent
    std::string note;             // why a report was refused, or which fault shaped it

    // Frame byte i of the report (report byte i + 2), 0 past the end.
    uint8_t frame(size_t i) const { return i + 2 < report.size() ? report[i + 2] : 0; }
};

class wire_log {
public:
    explicit wire_log(size_t capacity = 200000) : capacity_(capacity) {}
    void add(wire_direction d, uint8_t iface, const uint8_t* data, size_t n, std::string note = {});
    std::vector<wire_entry> since(uint64_t seq) const;
    void clear();
    uint64_t next_seq() const;

    // One line: "<seq> <ms> <in|out|refused> <iface> <hex> [note]".
    static std::string format(const wire_entry& e);
    static bool parse(const std::string& line, wire_entry& e);

private:
    mutable std::mutex m_;
    std::deque<wire_entry> entries_;
    size_t capacity_;
    uint64_t next_ = 1;
    uint64_t start_ns_ = 0;
};

}  // namespace sim
