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

constexpr uint8_t req_read_function = 0x24;
constexpr uint8_t req_write_function = 0x04;
constexpr uint8_t req_free_function = 0x44;
constexpr uint8_t req_read_memory = 0x25;
constexpr uint8_t req_write_memory = 0x05;
constexpr uint8_t req_read_record179 = 0x28;
constexpr uint8_t req_write_record179 = 0x08;
constexpr uint8_t req_free_record179 = 0x48;
constexpr uint8_t req_read_scanner = 0x29;
constexpr uint8_t req_write_scanner = 0x09;
constexpr uint8_t req_clear_scanner = 0x49;
constexpr uint8_t req_info = 0x2A;
constexpr uint8_t req_records36 = 0x0A;
constexpr uint8_t req_clear_info = 0x4A;
constexpr uint8_t req_read_record222 = 0x2C;
constexpr uint8_t req_write_record222 = 0x0C;
constexpr uint8_t req_free_record222 = 0x4C;
constexpr uint8_t req_read_record222_second = 0x2D;
constexpr uint8_t req_free_record222_second = 0x4D;
constexpr uint8_t req_stream = 0x0E;

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

// Memory blocks: area at 4, offset at 5..8, piece length at 9, data from 10.
constexpr size_t memory_area_offset = 4;
constexpr size_t memory_address_offset = 5;
constexpr size_t memory_length_offset = 9;
constexpr size_t memory_data_offset = 10;
constexpr uint8_t count_read_memory = 6;
constexpr size_t memory_piece = 49;
constexpr uint8_t memory_area_diagnostic = 2;  // 48008-byte diagnostic buffer
constexpr uint8_t memory_area_clone = 3;       // 64 KiB clone data
constexpr uint32_t diagnostic_area_size = 48008;
constexpr uint32_t clone_area_size = 0x10000;

// Records of 222 bytes (tools, process-monitor records) and value lists: number or list id
// at 4..5, 32-bit piece index at 6..9, data from 11.
constexpr size_t record_number_offset = 4;
constexpr size_t record222_piece_offset = 6;
constexpr size_t record222_data_offset = 11;
constexpr size_t record222_piece = 52;
constexpr size_t record222_size = 222;
constexpr uint32_t value_list_piece_flag = 0x80000000u;  // the piece index of a value-list request
constexpr uint16_t last_cycle_record = 0x8000;           // the record of the last cycle
constexpr uint16_t clear_all_records = 0xFFFF;
// Records of 179 bytes (tool types): number at 4..5, 8-bit piece index at 6, data from 7.
constexpr size_t record179_piece_offset = 6;
constexpr size_t record179_data_offset = 7;
constexpr size_t record179_piece = 56;
constexpr size_t record179_size = 179;

// Scanner parameter sets: set at 4 (0x80 | k for user set k), block at 5, data 6..61.
constexpr size_t scanner_set_offset = 4;
constexpr size_t scanner_block_offset = 5;
constexpr size_t scanner_data_offset = 6;
constexpr uint8_t count_read_scanner = 2;
constexpr uint8_t count_write_scanner = 0x3A;
constexpr uint8_t count_clear_scanner = 1;
constexpr uint8_t scanner_user_bit = 0x80;
constexpr size_t scanner_set_size = 224;
constexpr size_t scanner_block = 56;

// Info queries: index at 4 (echoed in the reply), block data from 5; a sub-index at 5.
constexpr size_t info_index_offset = 4;
constexpr size_t info_sub_offset = 5;
constexpr size_t info_data_offset = 5;
constexpr uint8_t count_info = 1;
constexpr uint8_t count_info_sub = 2;
constexpr size_t info_block_size = frame_size - data_offset;  // the block: frame bytes 4..62
enum info_index : uint8_t {
    info_control_unit = 0x00,
    info_firmware = 0x02,
    info_loader = 0x05,
    info_process_data = 0x07,
    info_word = 0x0F,
    info_io_module = 0x13,
    info_fieldbus = 0x14,
    info_error_buffer = 0x18,
    info_error_detail = 0x19,
    info_pm_ring = 0x1B,
    info_start_result = 0x1C,
    info_teach_result = 0x1D,
    info_extended = 0x1E,
    info_device_text = 0x1F,
    info_pm_count = 0x25,
    info_self_test = 0x28,
};
constexpr uint8_t self_test_first = 0x06;
constexpr uint8_t self_test_second = 0x0D;
// Frame offsets of the six self-test results: serial (u32), operation time (u32) and
// over-temperature time (i16) in the first reply; power, speed, time factor (i16) in the second.
constexpr size_t self_test_serial = 7;
constexpr size_t self_test_operation = 15;
constexpr size_t self_test_overtemp = 13;
constexpr size_t self_test_power = 9;
constexpr size_t self_test_speed = 22;
constexpr size_t self_test_factor = 46;

// The 36 scanner configuration records: 0x16 at 4, record index at 5, 0x23 at 6, record from 7.
constexpr uint8_t records36_marker = 0x16;
constexpr uint8_t records36_marker2 = 0x23;
constexpr size_t records36_index_offset = 5;
constexpr size_t records36_data_offset = 7;
constexpr size_t records36_count = 36;
constexpr size_t records36_record = 56;

// Byte stream: 1 at 4, piece index at 5..8 (bit 31 on the last piece), data from 9.
constexpr size_t stream_piece_offset = 5;
constexpr size_t stream_data_offset = 9;
constexpr size_t stream_piece = 54;
constexpr uint32_t stream_last_flag = 0x80000000u;

// Function records: number at 4..5, the packed 52-byte record from 6.
constexpr size_t function_number_offset = 4;
constexpr size_t function_data_offset = 6;
constexpr uint8_t count_write_function = 0x36;
constexpr uint8_t count_free_function = 2;
constexpr uint8_t reply_count_function = 54;

// Parameters with a fixed meaning.
constexpr uint16_t param_variant = 28;            // low byte: the family code
constexpr uint16_t param_revision = 66;           // the revision word
constexpr uint16_t param_cu_article = 75;         // control unit article number
constexpr uint16_t param_cu_serial = 76;          // control unit serial: value / 1000, value % 1000
constexpr uint16_t param_scanner_article = 77;
constexpr uint16_t param_scanner_serial = 78;
constexpr uint16_t param_hw_config = 109;         // low nibble: hardware configuration " / C%d"
constexpr uint32_t revision_unreadable = 0x2A2F3424;  // taken when parameter 66 cannot be read
constexpr uint32_t host_revision = 0x3233344B;        // TarvixStudio's own revision word ("K432")
constexpr uint32_t default_article_number = 5206718;  // info 0x02 without the article bytes

// Values the device chooses (the controller's side of the open points; both the program
// and the simulated controller take them from here).
// Status data (frame bytes 4..53): data byte offsets.
constexpr size_t status_inputs = 24;        // u16, bit i = input i+1, bit 13 = button
constexpr size_t status_outputs = 26;       // u8, bit i = output i+1
constexpr size_t status_dip = 27;           // DIP switch byte
constexpr size_t status_switches = 28;      // u16, nibbles 0-2 = hex switches 1-3
constexpr size_t status_output_word = 38;   // u16 output-state word; bit 4 = I/O module present
constexpr size_t status_result_word = 46;   // u16: bit 6 toggles per new result, bits 2-3 side bits
constexpr size_t status_reserved = 48;      // u16, always zero
// Further status data the controller fills: the function its counter report is about (u16),
// that function's object position and counter (i32 each), the current and the measured
// position (i32, hundredths) and the second measured value of a cluster member (i32).
constexpr size_t status_report_function = 14;
constexpr size_t status_report_position = 16;
constexpr size_t status_report_counter = 20;
constexpr size_t status_current_position = 30;
constexpr size_t status_measured = 34;
constexpr size_t status_second_measured = 42;
constexpr uint8_t status_teach_permitted = 0x04;  // data byte 38: a teach is accepted
// The 140-byte process-data block travels in three info replies, each from frame byte 5.
constexpr size_t process_block_size = 140;
constexpr size_t process_piece_07 = 0;    // info 0x07 carries block bytes 0..57
constexpr size_t process_piece_1c = 58;   // info 0x1C carries block bytes 58..115
constexpr size_t process_piece_1d = 116;  // info 0x1D carries block bytes 116..139
constexpr size_t process_piece_max = 58;
// Info 0x02: hardware revision word at frame bytes 14..15 (0x9120: exempt hardware).
constexpr size_t firmware_hw_revision = 14;
// Info 0x0F: the redesign flag is this bit of the info word.
constexpr uint16_t info_word_redesign_bit = 0x0100;
// Info 0x13: the I/O-module word at frame bytes 5..6 (bit 4 = I/O module present); its
// 16-character text (7..22) doubles as the identification text.
constexpr size_t io_module_word = 5;
constexpr size_t io_module_text = 7;
constexpr size_t io_module_text_size = 16;
constexpr size_t io_module_article = 48;
constexpr size_t io_module_suffix = 52;
// Info 0x1E: the 48-byte extended identification block at frame bytes 5..52. Within it:
// byte 0 the fieldbus-kind character (low nibble 4 = PROFINET), byte 1 the PROFINET chip's
// version letter, bytes 2..5 its four version numbers.
constexpr size_t extended_block_size = 48;
constexpr size_t extended_fieldbus_kind = 0;
constexpr size_t extended_profinet_letter = 1;
constexpr size_t extended_profinet_version = 2;
// The PROFINET station: IP address, subnet mask and gateway (32-bit little-endian) and the
// station name (30 bytes, zero-terminated when shorter) in the same block.
constexpr size_t extended_ip_address = 6;
constexpr size_t extended_subnet_mask = 10;
constexpr size_t extended_gateway = 14;
constexpr size_t extended_station_name = 18;
constexpr size_t extended_station_name_size = 30;
// Info 0x1F: the device information text, zero-terminated from frame byte 5.
// The configuration number is parameter 76 / 1000, its index parameter 76 % 1000, its
// suffix " / C%d" from parameter 109. The self-check flag is never set by the controller.

constexpr uint8_t reply_count_acknowledge = 0;        // acknowledge of a command or a write
constexpr uint8_t reply_count_parameter = 6;          // parameter read: number echo and four value bytes
constexpr uint8_t reply_count_parameter_write = 2;    // parameter write: the number echoed
constexpr uint8_t device_error_telegram_counter = 1;  // "Illegal telegram counter!"
constexpr uint8_t device_error_start_byte = 2;        // frame without the start byte
constexpr uint8_t device_error_frame_type = 3;        // unknown frame type
constexpr uint8_t device_error_flags = 4;             // flags not allowed for the type
constexpr uint8_t device_error_data_count = 5;        // data count does not fit the type
constexpr uint8_t device_error_unknown_parameter = 6;
constexpr uint8_t device_error_not_supported = 7;     // data not supported (read-only tool type)
constexpr uint8_t device_error_loader_only = 10;      // request needs the application firmware
constexpr uint8_t device_error_function_number = 11;  // function number out of range
constexpr uint8_t device_error_busy = 12;             // a start while the last one still runs
constexpr uint8_t device_error_scanner_set = 13;      // no such scanner set
constexpr uint8_t device_error_scanner_block = 14;    // no such scanner block
constexpr uint8_t device_error_scanner_write = 15;    // only user sets are writable
constexpr uint8_t device_error_scanner_clear = 16;    // only user sets can be cleared
constexpr uint8_t device_error_memory_area = 24;
constexpr uint8_t device_error_memory_offset = 25;
constexpr uint8_t device_error_memory_count = 26;
constexpr uint8_t device_error_list_end = 30;         // past the last error-buffer entry
constexpr uint8_t reply_count_info = 0x3B;
constexpr uint8_t reply_count_scanner = 0x3A;
constexpr uint8_t error_text_type_device = 3;

}  // namespace device_protocol
