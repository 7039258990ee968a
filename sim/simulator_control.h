// One call of a control command of the simulator, shared by the files that hold rows of
// its command tables.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/simulator.h"
#include "sim/text_number.h"

namespace sim {

// One call of a control command: its words and whole line in, data lines and the text
// after "ok" or "error" out.
struct simulator::control_call {
    const std::vector<std::string>& w;
    const std::string& line;
    std::vector<std::string>& out;
    std::string result;  // "ok <result>"
    std::string error;   // "error <error>"; empty on a failure: the command's usage

    // Numbers of words 1.. (parse_number), false when a word is missing or no number.
    bool numbers(std::initializer_list<long*> to) const
    {
        size_t i = 1;
        for (long* n : to)
            if (i >= w.size() || !parse_number(w[i++], *n))
                return false;
        return true;
    }

    // Words `from`.. as bytes 0..255 into `to`; nothing is written when one is no byte.
    bool bytes(size_t from, uint8_t* to)
    {
        std::vector<uint8_t> b;
        for (size_t i = from; i < w.size(); ++i) {
            long v = 0;
            if (!parse_number(w[i], v) || v < 0 || v > 255) {
                error = "bad byte " + w[i];
                return false;
            }
            b.push_back(uint8_t(v));
        }
        std::copy(b.begin(), b.end(), to);
        return true;
    }
};

}  // namespace sim
