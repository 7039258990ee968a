// Every result code flashlink hands to its callers (16-bit, 0 = success), in one place, so
// the library, flashcli's text tables and the tests agree on the numbers.
#pragma once
#include <cstdint>

namespace fl_result {

constexpr uint16_t ok = 0x0000;

// download sequences
constexpr uint16_t file_open = 0x1001;         // download file cannot be opened, or the binary file is empty
constexpr uint16_t file_create = 0x1002;       // upload file cannot be created (or written)
constexpr uint16_t step_timeout = 0x1003;      // the step timer ran out
constexpr uint16_t bad_parameters = 0x1004;    // area code together with option flag, binary type or real-memory flag
constexpr uint16_t hex_line_invalid = 0x1005;  // an Intel-HEX line is malformed or its checksum is wrong
constexpr uint16_t step_out_of_range = 0xFFFF; // sequence step out of range

// SDO client
constexpr uint16_t client_abort = 0x2006;      // the client aborted the transfer; the wire code tells why
constexpr uint16_t bad_confirm = 0x2007;       // expedited download confirmed with an unexpected value
constexpr uint16_t busy = 0x200B;              // a transfer is still running
constexpr uint16_t no_buffer = 0x201F;         // no data buffer or no callback for the requested transfer
constexpr uint16_t server_abort = 0x2020;      // the server aborted: this + low byte of its abort code
constexpr uint16_t server_abort_last = 0x211F;
constexpr uint16_t bad_protocol = 0xA004;      // unsupported protocol (no transport for it)

// transports
constexpr uint16_t v24_not_open_at_close = 0x8001;
constexpr uint16_t driver_not_initialised = 0x8002;  // no transport's driver was initialised
constexpr uint16_t send_incomplete = 0x8003;   // a frame could not be sent whole (serial, Ethernet)
constexpr uint16_t can_send_timeout = 0x8004;
constexpr uint16_t receive_timeout = 0x8005;   // CAN, serial
constexpr uint16_t timer_start = 0x8006;
constexpr uint16_t receive_error = 0x8007;     // serial, Ethernet
constexpr uint16_t frame_checksum = 0x8008;    // serial

constexpr uint16_t can_open = 0xA001;          // CAN message objects cannot be opened
constexpr uint16_t can_driver = 0xA002;
constexpr uint16_t can_load = 0xA003;          // driver library cannot be loaded, or unknown driver kind
constexpr uint16_t can_entry_point = 0xA005;   // mandatory entry point missing, or the device did not open
constexpr uint16_t can_service = 0xA006;
constexpr uint16_t can_needs_nt = 0xA007;

constexpr uint16_t v24_open = 0xC001;
constexpr uint16_t v24_port_number = 0xC002;   // port number outside 1-49, or settings refused
constexpr uint16_t v24_not_open = 0xC003;
constexpr uint16_t v24_line_error = 0xC004;
constexpr uint16_t v24_read = 0xC005;

constexpr uint16_t eth_socket = 0xD001;
constexpr uint16_t usb_read = 0xD004;
constexpr uint16_t eth_sequence = 0xD007;      // echo reply out of sequence
constexpr uint16_t usb_frame_too_long = 0xD008;
constexpr uint16_t usb_write_timeout = 0xD009;
constexpr uint16_t usb_device_lost = 0xD00A;
constexpr uint16_t usb_thread = 0xD00C;

// The result for a server abort code: only its low byte survives.
constexpr uint16_t from_server_abort(uint32_t abort_code)
{
    return static_cast<uint16_t>(server_abort + (abort_code & 0xFF));
}

}  // namespace fl_result
