// The few calls the console downloader makes into the download library: open and close
// one transport, construct the transfer object and run one transfer. The program uses
// the library behind this seam; tests put a recording fake in its place.
#pragma once
#include <cstdint>
#include <string>

#include "flashlink/fl_results.h"

namespace flashcli {

// Progress callback of a transfer: data, count (in and out), last-piece flag, user value;
// 0 lets the transfer go on.
using progress_function = int16_t (*)(uint8_t* data, uint16_t* count, int32_t* last, uint32_t user);

// What every download names: the file, the flash area it goes to and how the run ends.
struct download_args {
    progress_function progress = nullptr;
    uint16_t node = 0;
    std::string file_name;
    uint16_t flash_start = 0;
    uint16_t flash_type = 0;
    uint16_t first_sector = 0;
    uint16_t last_sector = 0;
    uint16_t megabyte_slot = 0;
    int32_t ram_target = 0;
    int32_t stay_in_loader = 0;
    uint16_t option_flag = 0;
    uint32_t connect_value = 0;
    int32_t file_offset = -1;
    uint32_t byte_count = 0;
    int16_t area_code = 0;
    int32_t run_to_end = 1;
};

struct hex_download_args : download_args {};

// A binary image also names where it is loaded and its type.
struct bin_download_args : download_args {
    uint16_t load_segment = 0;
    uint16_t load_offset = 0;
    int16_t binary_type = 0;
};

struct bin_upload_args {
    progress_function progress = nullptr;
    uint16_t node = 0;
    std::string file_name;
    uint16_t megabyte_slot = 0;
    uint16_t load_segment = 0;
    uint16_t load_offset = 0;
    uint32_t byte_count = 0;
    int32_t real_memory = 0;
    int32_t stay_in_loader = 0;
    uint16_t option_flag = 0;
    uint32_t connect_value = 0;
    int16_t area_code = 0;
    int32_t run_to_end = 1;
};

// Every call returns a 16-bit result code, 0 for success.
class downloader {
public:
    virtual ~downloader() = default;

    virtual uint16_t DrvInitCAN_ISA(int16_t baud_id, int16_t interrupt, uint16_t board_address) = 0;
    virtual uint16_t DrvInitCANDon(int16_t baud_id, uint16_t parallel_port) = 0;
    virtual uint16_t DrvInitCANPeak(int16_t baud_id, uint16_t port) = 0;
    virtual uint16_t DrvInitV24(int16_t port, int32_t baudrate_code) = 0;
    virtual uint16_t DrvInitEthernet(const std::string& address) = 0;
    virtual uint16_t DrvInitUsb(const std::string& product_pattern) = 0;
    virtual uint16_t DrvCloseCAN() = 0;
    virtual uint16_t DrvCloseV24() = 0;
    virtual uint16_t DrvCloseEthernet() = 0;

    // Makes the one transfer object of the run for the open transport.
    virtual uint16_t construct(int32_t protocol, uint8_t no_timeout, uint8_t fast) = 0;
    virtual uint16_t HexDownload(const hex_download_args& args) = 0;
    virtual uint16_t BinDownload(const bin_download_args& args) = 0;
    virtual uint16_t BinUpload(const bin_upload_args& args) = 0;
    // After a HEX download refused a damaged file: the line at fault, else 0.
    virtual unsigned long hex_error_line() const { return 0; }
};

// The downloader in use: one that reports every transport as unavailable, unless a
// real one or a test's fake was installed.
downloader& current_downloader();
// Installs a downloader (nullptr restores the default); the caller keeps ownership.
void set_downloader(downloader* d);

// The library's code for a driver that is not initialised.
constexpr uint16_t result_driver_not_initialised = fl_result::driver_not_initialised;

// The stand-in while no download library is bound: every call fails as not initialised.
// A missing device would name a cause (cable, port, board) that is not the one.
class unavailable_downloader : public downloader {
public:
    uint16_t DrvInitCAN_ISA(int16_t, int16_t, uint16_t) override;
    uint16_t DrvInitCANDon(int16_t, uint16_t) override;
    uint16_t DrvInitCANPeak(int16_t, uint16_t) override;
    uint16_t DrvInitV24(int16_t, int32_t) override;
    uint16_t DrvInitEthernet(const std::string&) override;
    uint16_t DrvInitUsb(const std::string&) override;
    uint16_t DrvCloseCAN() override { return 0; }
    uint16_t DrvCloseV24() override { return 0; }
    uint16_t DrvCloseEthernet() override { return 0; }
    uint16_t construct(int32_t, uint8_t, uint8_t) override;
    uint16_t HexDownload(const hex_download_args&) override;
    uint16_t BinDownload(const bin_download_args&) override;
    uint16_t BinUpload(const bin_upload_args&) override;
};

}  // namespace flashcli
