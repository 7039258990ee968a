#include "library_downloader.h"

#include "flashcli/result_codes.h"
#include "flashlink/C_SndHex.h"

#include <new>
#include <type_traits>

namespace flashcli {

static_assert(std::is_same_v<progress_function, T_XLD_CALLBACK>,
              "the progress callbacks are handed to the library as they are");

uint16_t library_downloader::DrvInitCAN_ISA(int16_t baud_id, int16_t interrupt, uint16_t board_address)
{
    return C_SndHex::DrvInitCAN_ISA(baud_id, interrupt, board_address);
}

uint16_t library_downloader::DrvInitCANDon(int16_t baud_id, uint16_t parallel_port)
{
    return C_SndHex::DrvInitCANDon(baud_id, parallel_port);
}

uint16_t library_downloader::DrvInitCANPeak(int16_t baud_id, uint16_t port)
{
    return C_SndHex::DrvInitCANPeak(baud_id, port);
}

uint16_t library_downloader::DrvInitV24(int16_t port, int32_t baudrate_code)
{
    return C_SndHex::DrvInitV24(port, baudrate_code);
}

uint16_t library_downloader::DrvInitEthernet(const std::string& address)
{
    return C_SndHex::DrvInitEthernet(address.c_str());
}

uint16_t library_downloader::DrvInitUsb(const std::string& product_pattern)
{
    return C_SndHex::DrvInitUsb(product_pattern.c_str());
}

uint16_t library_downloader::DrvCloseCAN() { return C_SndHex::DrvCloseCAN(); }
uint16_t library_downloader::DrvCloseV24() { return C_SndHex::DrvCloseV24(); }
uint16_t library_downloader::DrvCloseEthernet() { return C_SndHex::DrvCloseEthernet(); }

uint16_t library_downloader::construct(int32_t protocol, uint8_t no_timeout, uint8_t fast)
{
    transfer_ = new (std::nothrow) C_SndHex(static_cast<T_PROTOCOL>(protocol), no_timeout, fast);
    return transfer_ ? 0 : result_wrong_parameters;
}

uint16_t library_downloader::HexDownload(const hex_download_args& a)
{
    if (!transfer_)
        return result_wrong_parameters;
    return transfer_->HexDownload(nullptr, a.progress, a.node, a.file_name.c_str(), a.flash_start, a.flash_type,
                                  a.first_sector, a.last_sector, a.megabyte_slot, a.ram_target, a.stay_in_loader,
                                  a.option_flag, a.connect_value, a.file_offset, a.byte_count, a.area_code,
                                  a.run_to_end);
}

uint16_t library_downloader::BinDownload(const bin_download_args& a)
{
    if (!transfer_)
        return result_wrong_parameters;
    return transfer_->BinDownload(nullptr, a.progress, a.node, a.file_name.c_str(), a.flash_start, a.flash_type,
                                  a.first_sector, a.last_sector, a.megabyte_slot, a.load_segment, a.load_offset,
                                  a.ram_target, a.binary_type, a.stay_in_loader, a.option_flag, a.connect_value,
                                  a.file_offset, a.byte_count, a.area_code, a.run_to_end);
}

uint16_t library_downloader::BinUpload(const bin_upload_args& a)
{
    if (!transfer_)
        return result_wrong_parameters;
    return transfer_->BinUpload(nullptr, a.progress, a.node, a.file_name.c_str(), a.megabyte_slot, a.load_segment,
                                a.load_offset, a.byte_count, a.real_memory, a.stay_in_loader, a.option_flag,
                                a.connect_value, a.area_code, a.run_to_end);
}

unsigned long library_downloader::hex_error_line() const
{
    return transfer_ ? transfer_->HexErrorLine() : 0;
}

}  // namespace flashcli
