// The switches of the test-only CAN driver library (support/testcan.cpp): what its entry points
// answer, and what they were asked. Reached through the loaded library's testcan_control().
#pragma once
#include <cstdint>
#include <deque>
#include <vector>

struct testcan_message {
    uint16_t id;
    uint8_t length;
    uint8_t data[8];
};

struct testcan_switches {
    // Answers
    uint8_t open_device_result = 1;
    uint8_t open_rcv_result = 1;
    uint8_t open_snd_result = 1;
    int refuse_writes = 0;  // the next n writes are refused (-1: all)
    uint32_t error_value = 0;
    std::deque<testcan_message> incoming;  // each reported once by CANRcvReady, then read by CANRdMsg
    // What was asked
    int16_t open_args[3] = {};
    int open_device_calls = 0;
    int close_device_calls = 0;
    int error_calls = 0;
    int rcv_opens = 0, snd_opens = 0;
    std::vector<int16_t> closed_objects;
    uint16_t rcv_id = 0, snd_id = 0;
    std::vector<testcan_message> written;
};

typedef testcan_switches* (*testcan_control_fn)(void);
typedef const char* (*testcan_file_fn)(void);
