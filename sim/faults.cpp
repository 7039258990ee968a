#include "sim/faults.h"

#include "sim/text_number.h"

#include <sstream>

namespace sim {
namespace {

const char* names[] = {"drop", "delay", "wrong-kind", "error", "short-report", "bad-length", "duplicate", "unplug",
                       "short",        "echo"};


}  // namespace

std::string fault_kind_name(fault_kind k) { return names[int(k)]; }

bool parse_fault(const std::string& text, fault& out, std::string& error)
{
    std::istringstream in(text);
    std::string word;
    out = fault{};
    if (!(in >> word)) {
        error = "fault kind missing";
        return false;
    }
    bool known = false;
    for (int i = 0; i < int(sizeof names / sizeof *names); ++i)
        if (word == names[i]) {
            out.kind = fault_kind(i);
            known = true;
        }
    if (!known) {
        error = "unknown fault " + word;
        return false;
    }
    while (in >> word) {
        auto eq = word.find('=');
        long v = 0;
        if (eq == std::string::npos || !parse_number(word.substr(eq + 1), v)) {
            error = "bad argument " + word;
            return false;
        }
        std::string key = word.substr(0, eq);
        if (key == "type") out.type = int(v);
        else if (key == "index") out.index = int(v);
        else if (key == "skip") out.skip = uint32_t(v);
        else if (key == "times") out.times = uint32_t(v);
        else if (key == "ms") out.ms = uint32_t(v);
        else if (key == "kind") out.reply_kind = uint8_t(v);
        else if (key == "code") out.code = uint8_t(v);
        else if (key == "ttype") out.text_type = uint8_t(v);
        else if (key == "arg") out.argument = uint8_t(v);
        else if (key == "count") out.count = uint8_t(v);
        else if (key == "replug") out.replug_ms = int32_t(v);
        else {
            error = "unknown argument " + key;
            return false;
        }
    }
    return true;
}

void fault_plan::arm(const fault& f)
{
    std::lock_guard<std::mutex> l(m_);
    faults_.push_back(f);
}

void fault_plan::clear()
{
    std::lock_guard<std::mutex> l(m_);
    faults_.clear();
}

bool fault_plan::take(uint8_t request_type, uint8_t byte4, fault& out)
{
    std::lock_guard<std::mutex> l(m_);
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if ((it->type >= 0 && it->type != request_type) || (it->index >= 0 && it->index != byte4))
            continue;
        if (it->skip > 0) {
            --it->skip;
            continue;
        }
        out = *it;
        if (it->times <= 1)
            faults_.erase(it);
        else
            --it->times;
        return true;
    }
    return false;
}

size_t fault_plan::armed() const
{
    std::lock_guard<std::mutex> l(m_);
    return faults_.size();
}

}  // namespace sim
