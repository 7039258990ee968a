#include "fake_scanner_sets.h"

#include <cstring>

void fake_scanner_device::add(int set, const QString& name)
{
    scanner_record r;
    r.set_name(name);
    for (int off = 16; off < 204; off += 4)
        r.set_word(off, set * 1000 + off);
    sets[set] = r;
}

void fake_scanner_device::install()
{
    auto failing = [this](error_record& e) {
        if (!fail_with.failed())
            return false;
        if (fail_after > 0) {
            --fail_after;
            return false;
        }
        e = fail_with;
        return true;
    };
    g_device_calls().wait_idle = [this](error_record& e) {
        ++wait_idle_calls;
        e.clear();
        if (idle_times_out) {
            e.set(err_type_host, 4);
            return false;
        }
        return true;
    };
    g_device_calls().read_scanner_block = [this, failing](uint8_t set, uint8_t block, uint8_t* data, bool& exists,
                                                        error_record& e) {
        e.clear();
        log.push_back("r " + std::to_string(set) + "/" + std::to_string(block));
        exists = false;
        if (failing(e))
            return false;
        auto it = sets.find(set);
        if (it == sets.end())
            return true;
        exists = true;
        std::memcpy(data, it->second.bytes.data() + block * 56, 56);
        return true;
    };
    g_device_calls().write_scanner_block = [this, failing](uint8_t set, uint8_t block, const uint8_t* data,
                                                         error_record& e) {
        e.clear();
        log.push_back("w " + std::to_string(set) + "/" + std::to_string(block));
        if (failing(e))
            return false;
        if (!(set & 0x80)) {
            e.set(err_type_device, 15);
            return false;
        }
        std::memcpy(sets[set].bytes.data() + block * 56, data, 56);
        return true;
    };
    g_device_calls().clear_scanner_set = [this, failing](uint8_t set, error_record& e) {
        e.clear();
        log.push_back("c " + std::to_string(set));
        if (failing(e))
            return false;
        if (!(set & 0x80)) {
            e.set(err_type_device, 16);
            return false;
        }
        sets.erase(set);
        return true;
    };
    g_device_calls().write_records36 = [this, failing](const uint8_t* data, const QString& name, error_record& e) {
        e.clear();
        log.push_back("records36 " + name.toStdString());
        if (failing(e))
            return false;
        records36.assign(data, data + 2016);
        return true;
    };
}
