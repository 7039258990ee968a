// The simulated controller's boot loader behind the transfer server: the objects the
// download sequences write and read (connect value, control records, high address part,
// length, address, the HEX record stream, the binary sink, the upload source), its memory
// and flash, and what it does after a transfer (stay, or start the application). In the
// application personality it knows only the connect value, which makes it restart into
// the loader.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/boot_flash_map.h"
#include "sim/boot_objects.h"

namespace boot_index {
constexpr uint16_t hex_control = 0x30F0;
constexpr uint16_t hex_domain = 0x30F1;
constexpr uint16_t bin_control = 0x30F4;
constexpr uint16_t length = 0x30F5;
constexpr uint16_t address = 0x30F6;
constexpr uint16_t bin_domain = 0x30F7;
constexpr uint16_t upload_control = 0x30F8;
constexpr uint16_t upload_domain = 0x30F9;
constexpr uint16_t high_part = 0x30FB;
constexpr uint16_t connect = 0x30FC;
}  // namespace boot_index

// The confirmation value of the connect object by which the application announces that it
// restarts into the boot loader.
constexpr uint32_t boot_restart_confirm = 0x11223344;

// A sparse 32-bit byte space; bytes never written read 0xFF.
class boot_memory {
public:
    uint8_t get(uint32_t address) const;
    void set(uint32_t address, uint8_t value);
    void write(uint32_t address, const uint8_t* data, size_t n);
    std::vector<uint8_t> read(uint32_t address, uint32_t n) const;
    // Back to 0xFF; the range is whole pages here (sectors are).
    void erase(uint32_t address, uint32_t n);
    void clear() { pages_.clear(); }

private:
    static constexpr uint32_t page_size = 4096;
    using page = std::array<uint8_t, page_size>;
    std::unordered_map<uint32_t, page> pages_;
};

class boot_loader : public boot_objects {
public:
    enum class event { none, restart_into_loader, start_application };

    // The boot sectors hold the loader's version text.
    boot_loader();

    uint8_t write(uint16_t index, uint8_t subindex, const uint8_t* data, uint32_t length, uint32_t* confirm) override;
    uint8_t open_download(uint16_t index, uint8_t subindex, uint32_t size) override;
    uint8_t append_download(const uint8_t* data, uint32_t length) override;
    uint8_t finish_download() override;
    uint8_t open_upload(uint16_t index, uint8_t subindex, std::vector<uint8_t>* content) override;
    void finish_upload() override;

    // Which personality answers: the application (connect value only) or the loader.
    void set_application(bool on) { application_ = on; }
    bool application() const { return application_; }
    // A new start of the loader: nothing erased yet, no control record, no open transfer.
    void restarted();

    boot_memory& memory() { return memory_; }
    // The high byte of the flash code a control record must carry: (flash start >> 8).
    void set_flash_start(uint16_t start) { flashStart_ = start; }
    void set_erase_delay(uint32_t ms_per_sector) { eraseDelayMs_ = ms_per_sector; }
    void set_firmware_present(bool on) { firmwarePresent_ = on; }
    bool firmware_present() const { return firmwarePresent_; }

    // What the last request asks of the front end, consumed once.
    event take_event();
    // How long the answer to the last request takes (an erase), consumed once.
    uint32_t take_reply_delay_ms();

    // Control records, erases, data ranges, uploads, connect values and restarts, one line
    // each: "control 30F0 0 01 00 01 07", "erase 1-7", "range 8004000 100",
    // "upload 8000 7", "connect 00000000", "start application".
    const std::vector<std::string>& log() const { return log_; }
    void clear_log() { log_.clear(); }
    void note(const std::string& line);
    // Told of every completed download: HEX or binary, RAM or flash, and the ranges it wrote.
    // Answering true makes the controller start its application afterwards, as an image
    // that reprograms the controller does.
    using download_observer = std::function<bool(bool hex, bool ram, const std::vector<std::pair<uint32_t, uint32_t>>& ranges)>;
    void set_download_observer(download_observer o) { observer_ = std::move(o); }

    // The start address of the last HEX stream (types 3 and 5), 0 when none came.
    uint32_t start_address() const { return startAddress_; }

private:
    enum class stream { none, hex, binary };
    uint8_t control_record(uint16_t index, uint8_t subindex, const uint8_t* data, uint32_t length);
    uint8_t store(uint32_t address, const uint8_t* data, uint32_t n);
    void note_range(uint32_t address, uint32_t n);
    uint8_t hex_records();
    uint8_t erase_sectors(uint32_t* delay);
    uint32_t base_address() const;

    bool application_ = false;
    boot_memory memory_;
    uint16_t flashStart_ = 0;
    uint32_t eraseDelayMs_ = 0;
    bool firmwarePresent_ = true;
    event event_ = event::none;
    uint32_t replyDelayMs_ = 0;
    std::vector<std::string> log_;

    // The session since the loader started.
    std::set<std::pair<uint8_t, uint8_t>> erased_;  // (type code, sector)
    uint16_t controlIndex_ = 0;                     // the last control record's object, 0: none
    std::array<uint8_t, 4> control_{};
    bool ram_ = false;
    const boot_flash::layout* layout_ = nullptr;
    bool erasePending_ = false;
    uint16_t high_ = 0;
    bool haveLength_ = false, haveAddress_ = false;
    uint32_t length_ = 0;
    uint16_t offset_ = 0, segment_ = 0;
    uint32_t connect_ = 0;

    // The open data domain.
    stream stream_ = stream::none;
    std::vector<uint8_t> pending_;  // HEX bytes of an incomplete record
    uint32_t extLinear_ = 0, extSegment_ = 0;
    bool segmentAddressing_ = false;  // the last address record was of type 02
    uint32_t written_ = 0;          // binary: bytes so far
    uint32_t startAddress_ = 0;
    bool uploadOpen_ = false;
    std::vector<std::pair<uint32_t, uint32_t>> ranges_;  // written by the open download
    download_observer observer_;
};
