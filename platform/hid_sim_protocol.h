// The messages between the simulated HID backend and the simulated device server: one
// SOCK_SEQPACKET socket per interface, named hid-<nn> in the folder of TARVIX_HID_SIM.
// A client connects and sends an open request; the server answers with a hello that
// carries the capabilities; after that every message is one whole report.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::hid_sim {

constexpr const char* socket_prefix = "hid-";
constexpr uint8_t open_magic[4] = {'T', 'O', 'P', 'N'};
constexpr uint8_t hello_magic[4] = {'T', 'H', 'I', 'D'};
constexpr uint8_t protocol_version = 1;
constexpr size_t max_product_units = 126;  // UTF-16 units, as a 256-byte product buffer holds

// Open request: magic, version, access (hid_access value).
constexpr size_t open_size = 6;

struct hello {
    uint16_t usage_page = 0;
    uint16_t usage = 0;
    uint16_t input_report_length = 0;
    uint16_t output_report_length = 0;
    bool product_readable = true;
    std::u16string product;
    uint32_t open_error = 0;  // 0: the open is granted; else the Windows-valued refusal
};

// Hello layout: 0..3 magic, 4 version, 5 flags (bit 0 product readable), 6..7 usage page,
// 8..9 usage, 10..11 input length, 12..13 output length, 14..17 open error,
// 18 product length in units, 19.. product as UTF-16LE.
std::vector<uint8_t> encode_hello(const hello& h);
bool decode_hello(const uint8_t* data, size_t n, hello& out);
std::vector<uint8_t> encode_open(uint8_t access);
bool decode_open(const uint8_t* data, size_t n, uint8_t& access);

}  // namespace platform::hid_sim
