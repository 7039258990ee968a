#include "downloader.h"

namespace flashcli {
namespace {
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

uint16_t unavailable_downloader::DrvInitCAN_ISA(int16_t, int16_t, uint16_t) { return result_driver_not_initialised; }
uint16_t unavailable_downloader::DrvInitCANDon(int16_t, uint16_t) { return result_driver_not_initialised; }
uint16_t unavailable_downloader::DrvInitCANPeak(int16_t, uint16_t) { return result_driver_not_initialised; }
uint16_t unavailable_downloader::DrvInitV24(int16_t, int32_t) { return result_driver_not_initialised; }
uint16_t unavailable_downloader::DrvInitEthernet(const std::string&) { return result_driver_not_initialised; }
uint16_t unavailable_downloader::DrvInitUsb(const std::string&) { return result_driver_not_initialised; }
uint16_t unavailable_downloader::construct(int32_t, uint8_t, uint8_t) { return result_driver_not_initialised; }
uint16_t unavailable_downloader::HexDownload(const hex_download_args&) { return result_driver_not_initialised; }
uint16_t unavailable_downloader::BinDownload(const bin_download_args&) { return result_driver_not_initialised; }
uint16_t unavailable_downloader::BinUpload(const bin_upload_args&) { return result_driver_not_initialised; }

}  // namespace flashcli
