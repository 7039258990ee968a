// A downloader for tests: records every call with its arguments as one line of text and
// answers with the result a test set for that call's name (0 unless set).
#pragma once
#include "downloader.h"

#include <map>
#include <string>
#include <vector>

namespace flashcli {

class recording_downloader : public downloader {
public:
    // Result of the calls named name (e.g. "DrvInitUsb", "HexDownload").
    void set_result(const std::string& name, uint16_t result) { results_[name] = result; }
    const std::vector<std::string>& calls() const { return calls_; }
    // The arguments of the last transfer calls (progress function included).
    const hex_download_args& last_hex() const { return hex_; }
    const bin_download_args& last_bin_download() const { return bin_download_; }
    const bin_upload_args& last_upload() const { return upload_; }

    uint16_t DrvInitCAN_ISA(int16_t baud_id, int16_t interrupt, uint16_t board_address) override;
    uint16_t DrvInitCANDon(int16_t baud_id, uint16_t parallel_port) override;
    uint16_t DrvInitCANPeak(int16_t baud_id, uint16_t port) override;
    uint16_t DrvInitV24(int16_t port, int32_t baudrate_code) override;
    uint16_t DrvInitEthernet(const std::string& address) override;
    uint16_t DrvInitUsb(const std::string& product_pattern) override;
    uint16_t DrvCloseCAN() override;
    uint16_t DrvCloseV24() override;
    uint16_t DrvCloseEthernet() override;
    uint16_t construct(int32_t protocol, uint8_t no_timeout, uint8_t fast) override;
    uint16_t HexDownload(const hex_download_args& args) override;
    uint16_t BinDownload(const bin_download_args& args) override;
    uint16_t BinUpload(const bin_upload_args& args) override;
    // The line a refused HEX download names.
    void set_hex_error_line(unsigned long line) { hexLine_ = line; }
    unsigned long hex_error_line() const override { return hexLine_; }

private:
    uint16_t record(const std::string& name, const std::string& arguments);

    std::vector<std::string> calls_;
    std::map<std::string, uint16_t> results_;
    hex_download_args hex_;
    bin_download_args bin_download_;
    bin_upload_args upload_;
    unsigned long hexLine_ = 0;
};

// Installs a downloader for the lifetime of the object, then puts back the one before.
class scoped_downloader {
public:
    explicit scoped_downloader(downloader& d) : previous_(&current_downloader()) { set_downloader(&d); }
    ~scoped_downloader() { set_downloader(previous_); }
    scoped_downloader(const scoped_downloader&) = delete;
    scoped_downloader& operator=(const scoped_downloader&) = delete;

private:
    downloader* previous_;
};

}  // namespace flashcli
