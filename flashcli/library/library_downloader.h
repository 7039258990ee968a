// The downloader of the program: the calls go to the download library's C_SndHex.
#pragma once
#include "flashcli/downloader.h"

class C_SndHex;

namespace flashcli {

class library_downloader : public downloader {
public:
    uint16_t DrvInitCAN_ISA(int16_t baud_id, int16_t interrupt, uint16_t board_address) override;
    uint16_t DrvInitCANDon(int16_t baud_id, uint16_t parallel_port) override;
    uint16_t DrvInitCANPeak(int16_t baud_id, uint16_t port) override;
    uint16_t DrvInitV24(int16_t port, int32_t baudrate_code) override;
    uint16_t DrvInitEthernet(const std::string& address) override;
    uint16_t DrvInitUsb(const std::string& product_pattern) override;
    uint16_t DrvCloseCAN() override;
    uint16_t DrvCloseV24() override;
    uint16_t DrvCloseEthernet() override;
    // 0xF007 when the object cannot be made. It lives until the process ends.
    uint16_t construct(int32_t protocol, uint8_t no_timeout, uint8_t fast) override;
    uint16_t HexDownload(const hex_download_args& args) override;
    uint16_t BinDownload(const bin_download_args& args) override;
    uint16_t BinUpload(const bin_upload_args& args) override;
    unsigned long hex_error_line() const override;

private:
    C_SndHex* transfer_ = nullptr;
};

}  // namespace flashcli
