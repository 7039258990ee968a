#include "downloader.h"

namespace flashcli {
namespace {
// Codes of the library's table: CAN driver library cannot be loaded, serial port cannot
// be opened, raw socket cannot be set up, USB device not found, driver not initialised.
constexpr uint16_t k_can_driver_missing = 0xA003;
constexpr uint16_t k_serial_port_missing = 0xC001;
constexpr uint16_t k_ethernet_unavailable = 0xD001;
constexpr uint16_t k_usb_device_missing = 0xD00A;
constexpr uint16_t k_driver_not_initialised = 0x8002;

unavailable_downloader g_unavailable;
downloader* g_current = nullptr;
}  // namespace

downloader& current_downloader()
{
    return g_current ? *g_current : g_unavailable;
}

void set_downloader(downloader* d)
{
    g_current = d;
}

uint16_t unavailable_downloader::DrvInitCAN_ISA(int16_t, int16_t, uint16_t) { return k_can_driver_missing; }
uint16_t unavailable_downloader::DrvInitCANDon(int16_t, uint16_t) { return k_can_driver_missing; }
uint16_t unavailable_downloader::DrvInitCANPeak(int16_t, uint16_t) { return k_can_driver_missing; }
uint16_t unavailable_downloader::DrvInitV24(int16_t, int32_t) { return k_serial_port_missing; }
uint16_t unavailable_downloader::DrvInitEthernet(const std::string&) { return k_ethernet_unavailable; }
uint16_t unavailable_downloader::DrvInitUsb(const std::string&) { return k_usb_device_missing; }
uint16_t unavailable_downloader::construct(int32_t, uint8_t, uint8_t) { return k_driver_not_initialised; }
uint16_t unavailable_downloader::HexDownload(const hex_download_args&) { return k_driver_not_initialised; }
uint16_t unavailable_downloader::BinDownload(const bin_download_args&) { return k_driver_not_initialised; }
uint16_t unavailable_downloader::BinUpload(const bin_upload_args&) { return k_driver_not_initialised; }

}  // namespace flashcli
