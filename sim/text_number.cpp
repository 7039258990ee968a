#include "sim/text_number.h"

#include <stdexcept>

namespace sim {

bool parse_number(const std::string& s, long& v)
{
    try {
        size_t pos = 0;
        v = std::stol(s, &pos, 0);
        return pos == s.size();
    } catch (const std::logic_error&) {
        return false;
    }
}

}  // namespace sim
