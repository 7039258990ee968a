// The console downloader's settings: one program-wide record filled by the defaults, the
// command line, the settings file and the prompts. A setting that was given is never
// asked for and never overwritten.
#pragma once
#include <cstdint>
#include <string>

namespace flashcli {

enum transport_kind : int32_t {
    transport_isa_can = 1,
    transport_can_dongle = 2,
    transport_serial = 3,
    transport_ethernet = 4,
    transport_usb = 5,
    transport_peak_can = 6,
};

enum language_kind : int32_t { language_german = 0, language_english = 1 };

// Capacities of the text fields (characters, without the terminator).
constexpr size_t k_settings_name_capacity = 255;
constexpr size_t k_file_name_capacity = 259;
constexpr size_t k_text_capacity = 255;

// The default device address of the Ethernet transport.
constexpr const char* k_default_ipv4_address = "192.168.10.100";

struct cli_settings {
    int32_t transport = transport_isa_can;
    int32_t language = language_german;
    uint8_t fast_protocol = 0;  // switch !
    uint8_t short_output = 0;   // switch %
    uint8_t no_key_wait = 0;    // switch )
    uint8_t no_timeout = 0;     // switch +
    int32_t protocol = 0;       // T_PROTOCOL: 0 undecided, 1 CANopen, 2 QUELCAN, 3 serial, 4 Ethernet, 5 USB
    std::string settings_name;  // the plain word of the command line, or the prompt
    std::string file_name;      // N
    std::string usb_product;    // O
    std::string ipv4_address = k_default_ipv4_address;  // Y
    int32_t file_offset = -1;   // J
    uint32_t upload_bytes = 0;  // W
    uint32_t connect_value = 0; // R
    int32_t nt_flag = 1;
    uint16_t result = 0;        // first failure found while reading the settings

    uint16_t first_sector = 0;      // A
    uint16_t baud_id = 0;           // B
    uint16_t com_port = 0;          // C
    uint16_t com_baud_selection = 0;  // D
    int32_t baudrate_code = 7;      // T_BAUDRATE from D
    uint16_t last_sector = 0;       // E
    uint16_t megabyte_slot = 0;     // F
    uint16_t area_code = 0;         // G
    uint16_t parallel_port = 0;     // H with a digit
    uint16_t interrupt = 0;         // I
    uint16_t node = 0;              // K
    uint16_t load_segment = 0;      // L
    uint16_t load_offset = 0;       // L
    uint16_t binary_type = 0;       // M
    uint16_t option_flag = 0;       // Q
    uint16_t flash_start = 0;       // S
    uint16_t flash_type = 0;        // T
    uint16_t stay_in_loader = 0;    // V
    uint16_t isa_address = 0;       // X
    uint16_t function_code = 0;     // Z

    // Given marks of the letters that keep one of their own (index letter - 'A'); the
    // letters whose value decides (F, G, J, M, N, P, Q, R) have no use for theirs.
    bool given[26] = {};
    bool parallel_port_given = false;  // H with a digit

    bool is_given(char letter) const { return given[letter - 'A']; }
};

// The program-wide settings of the run.
cli_settings& settings();

// Puts every field to its default.
void reset_settings();

}  // namespace flashcli
