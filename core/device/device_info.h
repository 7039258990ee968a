// What the program knows about the connected controller: versions, identification, I/O
// module and extended block (the system-information read), the variant flags from parameter
// 28, the firmware-version tests, the compatibility flags and their status-bar texts, the
// refresh after a connect, and the three set-up values.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "core/protocol/device_protocol.h"
#include "core/protocol/error_record.h"

struct version_record {
    uint8_t major = 0, minor = 0, patch = 0;
    uint16_t build = 0;
    uint8_t day = 0, month = 0;
    uint16_t year = 0;
    uint16_t hw_revision = 0;  // firmware record only: the hardware revision word
};

struct device_info_state {
    bool valid = false;  // set when the loader block arrived
    version_record firmware;
    version_record loader;
    uint8_t logic_major = 0, logic_minor = 0;
    uint32_t article_number = 0;
    uint16_t info_word = 0xFFFF;     // info 0x0F
    std::string hw_config_suffix;    // " / C%d"
    uint8_t hw_config = 0;           // the low nibble behind the suffix
    std::string io_module_text = "-----";
    int32_t io_module_main = 0;
    bool io_module_above9 = false;
    uint32_t io_module_article = 0;
    uint16_t io_module_suffix = 0;
    uint16_t io_module_word = 0;     // bit 4 = I/O module present
    std::array<uint8_t, device_protocol::extended_block_size> extended{};
    bool extended_valid = false;
    std::string cu_article_text = "-----";
    std::string cu_serial_text = "-----";
    int32_t cu_serial_value = 0;
    std::string scanner_article_text = "-----";
    std::string scanner_serial_text = "-----";
    bool status_layout = false;      // firmware at least 1.15.13
    // Values the controller gives through the blocks above (one place decides where).
    bool redesign = false;           // bit of the info word
    char fieldbus_kind = 0;          // extended block
    bool profinet_present = false;   // extended block read and fieldbus kind 4
    char profinet_letter = 0;
    std::array<uint8_t, 4> profinet_version{};
    int32_t configuration_number = 0;  // parameter 76 / 1000
    int32_t configuration_index = 0;   // parameter 76 % 1000
    bool self_check_available = false; // no controller reports it

    void reset() { *this = device_info_state{}; }
};
device_info_state& g_device_info();

// "Vmm.nn.pp.bbb dd.mm.yyyy" of a firmware or loader version record.
std::string version_record_text(const version_record& v);

// Reads the information blocks and parameters in their order; false with the first query's
// error, else the loader block's result.
bool dev_read_system_info(error_record& err);

// Parameter 28: sets the variant flags and returns the family code (its low byte); 0x10 and
// the flags unchanged on failure.
uint8_t read_device_variant(error_record& err);
// out 0 (family 2), 2 (3), 4 (4) or 1 (other); false and out 1 when parameter 28 fails.
bool read_device_family_code(int& out);
// The family code of an image made offline, from the four flags.
uint8_t family_code_from_flags();
// Function record 0 of the working image is in use and a cluster member.
bool record0_is_cluster();

bool fw_version_at_least(uint8_t major, uint8_t minor, uint8_t patch);
bool fw_version_at_least4(uint8_t major, uint8_t minor, uint8_t patch, uint16_t build);

// Compatibility flags (in the one change/compatibility word of the device state).
enum : uint32_t {
    compat_host_older = 0x01,
    compat_host_too_old = 0x02,
    compat_fw_older = 0x04,
    compat_fw_too_old = 0x08,
    compat_host_known = 0x10,
    compat_fw_known = 0x20,
};
// Updates the flags from the controller's revision word against the host's.
void update_compatibility(uint32_t controller_revision);
// The message number of the status-bar text for the firmware or the host side.
int compatibility_text(bool firmware_side);

// After a connect: revision word, system information, compatibility; marks the status
// display for a full redraw.
void refresh_device_info(bool connected);

// The three set-up values (vertical distance, reference angle, reference tool length).
struct setup_values {
    int32_t vertical_distance = 0;
    int32_t reference_angle = 0;
    int32_t reference_length = 0;
};
setup_values& g_setup_values();
// With `read` false: whether the vertical distance is not 0; else reads parameters 22..27.
bool read_setup_values(error_record& err, bool read);

// The Windows generation the firmware update asks about (2 from Windows 7 on, whose driver
// the oldest loaders do not work with). This system has no such trouble and answers 1;
// tests set another answer.
int windows_version_class();
void set_windows_version_class(int value);
