// Raw ICMP over IPv4: the socket the Ethernet transport sends echo requests on and reads
// echo replies from (the IPv4 header first). Needs root or CAP_NET_RAW. Also the Internet
// checksum, which the simulated controller's side uses as well.
#pragma once
#include <cstddef>
#include <cstdint>
#include <netinet/in.h>

namespace platform {

// The RFC 1071 checksum: the ones' complement of the ones' complement sum of 16-bit words
// in network order, an odd last byte padded with zero. Stored as computed (the bytes go on
// the wire high byte first).
uint16_t internet_checksum(const uint8_t* data, size_t n);

// Opens the socket with its receive and send time-outs; -1 with errno set on failure.
int icmp_open(uint32_t receive_timeout_ms, uint32_t send_timeout_ms);
void icmp_close(int& fd);

// A dotted IPv4 address; false when the text is no such address.
bool icmp_parse_address(const char* text, in_addr& out);

enum class icmp_io { ok, timed_out, failed };

// Sends a whole ICMP message to `to`; the count sent.
icmp_io icmp_send(int fd, const in_addr& to, const uint8_t* message, size_t n, size_t& sent, int& sys_error);
// Receives one packet (IPv4 header first) into buf, waiting up to the receive time-out.
icmp_io icmp_receive(int fd, uint8_t* buf, size_t capacity, size_t& received, in_addr& from, int& sys_error);

// Waits up to ms for a packet to read.
bool icmp_wait_readable(int fd, uint32_t ms);

}  // namespace platform
