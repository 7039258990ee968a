// The controller's wire protocol in one place: report and frame layout, frame types and
// kinds, the fixed words, the HID identification, and the values the device itself
// chooses. The link, the command set and the simulated controller all include it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace device_protocol {

// HID identification of the controller's interface.
constexpr uint16_t hid_usage_page = 0xFF00;
constexpr uint16_t hid_usage = 1;
constexpr const char* hid_product_names[] = {"Tarvix 9", "Tarvyx 9"};  // tried in this order
constexpr size_t hid_max_candidates = 10;

// HID report: ID byte, frame length, frame; written and read at the declared lengths.
constexpr size_t report_id_offset = 0;
constexpr size_t report_length_offset = 1;
constexpr size_t report_frame_offset = 2;
constexpr size_t output_report_buffer = 68;  // what the host always had room for
constexpr size_t input_report_buffer = 256;

// Frame layout (63 bytes on the wire).
constexpr size_t frame_size = 63;
constexpr size_t max_frame_length = 63;
constexpr size_t counter_offset = 0;
constexpr size_t start_offset = 1;
constexpr size_t type_offset = 2;
constexpr size_t count_offset = 3;
constexpr size_t data_offset = 4;
constexpr uint8_t start_byte = 0xBB;

// Error reply: code, text type, argument (meaningful only when the data count is not 2).
constexpr size_t error_code_offset = 4;
constexpr size_t error_type_offset = 5;
constexpr size_t error_argument_offset = 6;
constexpr uint8_t error_count_without_argument = 2;

// Frame type byte: low nibble kind, and three flags.
constexpr uint8_t type_kind_mask = 0x0F;
constexpr uint8_t type_read = 0x20;    // the request reads data from the controller
constexpr uint8_t type_second = 0x40;  // second form of a request; in a reply: no data
constexpr uint8_t type_error = 0x80;   // error reply

enum kind : uint8_t {
    kind_status = 1,
    kind_command = 2,
    kind_parameter = 3,
    kind_function = 4,
    kind_memory = 5,
    kind_record179 = 8,
    kind_scanner = 9,
    kind_info = 10,
    kind_record222 = 12,
    kind_record222_second = 13,
    kind_stream = 14,
};

// Request frame types.
constexpr uint8_t req_status = 0x21;
constexpr uint8_t req_command = 0x02;
constexpr uint8_t req_read_parameter = 0x23;
constexpr uint8_t req_write_parameter = 0x03;

// Data counts of the requests.
constexpr uint8_t count_status_request = 0;
constexpr uint8_t count_command = 0x37;
constexpr uint8_t count_read_parameter = 2;
constexpr uint8_t count_block = 0x3B;  // block transfers that fill the frame

// The cyclic status request carries this word in bytes 4..7; a controller that runs only
// its firmware loader answers with the other one and data count 0.
constexpr uint32_t status_request_word = 0x12345678;
constexpr uint32_t loader_status_word = 0xEDCBA987;
constexpr uint8_t status_data_count = 50;  // status data in bytes 4..53

// Command byte (frame byte 4) of a mailbox command.
enum command : uint8_t {
    cmd_start = 1,
    cmd_teach = 2,
    cmd_step_plus = 3,
    cmd_step_minus = 4,
    cmd_stop_stepping = 5,
    cmd_reset_ko = 6,
    cmd_stop = 7,
    cmd_test_scan = 8,
    cmd_reset = 9,
};
constexpr size_t command_offset = 4;

// Parameter frames: number at 4..5, value from 6.
constexpr size_t parameter_number_offset = 4;
constexpr size_t parameter_value_offset = 6;

// Values the device chooses.
constexpr uint8_t reply_count_acknowledge = 0;        // acknowledge of a command or a write
constexpr uint8_t reply_count_parameter = 6;          // parameter read: number echo and four value bytes
constexpr uint8_t reply_count_parameter_write = 2;    // parameter write: the number echoed
constexpr uint8_t device_error_telegram_counter = 1;  // "Illegal telegram counter!"
constexpr uint8_t device_error_start_byte = 2;        // frame without the start byte
constexpr uint8_t device_error_frame_type = 3;        // unknown frame type
constexpr uint8_t device_error_flags = 4;             // flags not allowed for the type
constexpr uint8_t device_error_data_count = 5;        // data count does not fit the type
constexpr uint8_t device_error_unknown_parameter = 6;
constexpr uint8_t device_error_loader_only = 10;      // request needs the application firmware
constexpr uint8_t error_text_type_device = 3;

}  // namespace device_protocol
