// Opening and closing the transport the settings chose, through the downloader seam.
#pragma once
#include <cstdint>

namespace flashcli {

// Opens the chosen transport with the values the settings hold; sets the protocol of
// the serial, Ethernet and USB transports. 0 or the failing result code.
uint16_t open_transport();

// Closes the chosen transport (USB and PEAK are released when the process ends).
void close_driver();

}  // namespace flashcli
