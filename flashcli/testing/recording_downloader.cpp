#include "recording_downloader.h"

#include <sstream>

namespace flashcli {
namespace {

template <typename... T>
std::string join(const T&... values)
{
    std::ostringstream s;
    const char* sep = "";
    ((s << sep << values, sep = ","), ...);
    return s.str();
}

}  // namespace

uint16_t recording_downloader::record(const std::string& name, const std::string& arguments)
{
    calls_.push_back(name + "(" + arguments + ")");
    auto it = results_.find(name);
    return it == results_.end() ? 0 : it->second;
}

uint16_t recording_downloader::DrvInitCAN_ISA(int16_t baud_id, int16_t interrupt, uint16_t board_address)
{
    return record("DrvInitCAN_ISA", join(baud_id, interrupt, board_address));
}

uint16_t recording_downloader::DrvInitCANDon(int16_t baud_id, uint16_t parallel_port)
{
    return record("DrvInitCANDon", join(baud_id, parallel_port));
}

uint16_t recording_downloader::DrvInitCANPeak(int16_t baud_id, uint16_t port)
{
    return record("DrvInitCANPeak", join(baud_id, port));
}

uint16_t recording_downloader::DrvInitV24(int16_t port, int32_t baudrate_code)
{
    return record("DrvInitV24", join(port, baudrate_code));
}

uint16_t recording_downloader::DrvInitEthernet(const std::string& address)
{
    return record("DrvInitEthernet", address);
}

uint16_t recording_downloader::DrvInitUsb(const std::string& product_pattern)
{
    return record("DrvInitUsb", product_pattern);
}

uint16_t recording_downloader::DrvCloseCAN() { return record("DrvCloseCAN", ""); }
uint16_t recording_downloader::DrvCloseV24() { return record("DrvCloseV24", ""); }
uint16_t recording_downloader::DrvCloseEthernet() { return record("DrvCloseEthernet", ""); }

uint16_t recording_downloader::construct(int32_t protocol, uint8_t no_timeout, uint8_t fast)
{
    return record("construct", join(protocol, int(no_timeout), int(fast)));
}

uint16_t recording_downloader::HexDownload(const hex_download_args& a)
{
    hex_ = a;
    return record("HexDownload",
                  join(a.node, a.file_name, a.flash_start, a.flash_type, a.first_sector, a.last_sector,
                       a.megabyte_slot, a.ram_target, a.stay_in_loader, a.option_flag, a.connect_value,
                       a.file_offset, a.byte_count, a.area_code, a.run_to_end));
}

uint16_t recording_downloader::BinDownload(const bin_download_args& a)
{
    bin_download_ = a;
    return record("BinDownload",
                  join(a.node, a.file_name, a.flash_start, a.flash_type, a.first_sector, a.last_sector,
                       a.megabyte_slot, a.load_segment, a.load_offset, a.ram_target, a.binary_type,
                       a.stay_in_loader, a.option_flag, a.connect_value, a.file_offset, a.byte_count,
                       a.area_code, a.run_to_end));
}

uint16_t recording_downloader::BinUpload(const bin_upload_args& a)
{
    upload_ = a;
    return record("BinUpload",
                  join(a.node, a.file_name, a.megabyte_slot, a.load_segment, a.load_offset, a.byte_count,
                       a.real_memory, a.stay_in_loader, a.option_flag, a.connect_value, a.area_code,
                       a.run_to_end));
}

}  // namespace flashcli
