// A fake of the device calls: a controller's scanner sets (standard sets by number, user
// sets 0x80 | k) and the 36-record store, with the requests it was sent.
#pragma once
#include <QString>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "core/device/device_calls.h"
#include "core/files/scanner_record.h"

struct fake_scanner_device {
    std::map<int, scanner_record> sets;  // key = set byte
    std::vector<std::string> log;        // "r 3/0", "w 129/2", "c 128", "records36 <name>"
    std::vector<uint8_t> records36;
    error_record fail_with;              // when set, every request fails with it
    int fail_after = -1;                 // requests that succeed before fail_with applies
    int wait_idle_calls = 0;
    bool idle_times_out = false;

    void add(int set, const QString& name);
    // Wires g_device_calls() to this fake (until reset_device_calls).
    void install();
};
