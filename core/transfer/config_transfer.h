// Moving the configuration image between the program and the controller: the whole
// configuration read and written back, the tool table and the process-monitor records read,
// with the progress dialog, the change flags and the reboot question. GUI thread only.
#pragma once
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/image/config_image.h"
#include "core/protocol/error_record.h"

// What the transfers leave for the program window, the title bar and the link timer.
struct transfer_state {
    // Data of a function record that this program cannot show (extra bytes not zero).
    bool unsupported_data = false;
    // The working image was read from the controller.
    bool read_from_controller = false;
    // The working image is the controller's (after a successful write).
    bool image_is_controllers = false;
    // The reference image counts as the controller's state: set when a program was opened
    // from the controller, cleared when the link is lost. Equal parameters are then skipped.
    bool reference_is_device_state = false;
    // The controller asked for a reboot (changed scanner type or fieldbus protocol).
    bool reboot_asked = false;
    // The user agreed to the reboot; the reset command is queued.
    bool reboot_requested = false;
    // Above 0 while the controller is being reset to factory defaults.
    int32_t factory_reset_count = 0;

    void reset() { *this = transfer_state{}; }
};
transfer_state& g_transfer();

// Where a program write finds the curves of its tools: the program file they belong to
// (the curves lie in the folder named like the file, beside it).
struct tool_data_context {
    QString program_file;
};

// Loads the curve of one tool: the folder, the 222-byte tool record (with its trailer), the
// samples to fill. False when the curve file is missing or unreadable.
using curve_loader = std::function<bool(const QString& folder, const uint8_t* tool_record, std::vector<int16_t>& samples,
                                        error_record& err)>;
// Installs the process monitor's curve reader (nullptr: none, every curve counts as missing).
void set_curve_loader(curve_loader loader);
// The curve folder of a program file: its absolute folder, "/", its complete base name.
QString curve_folder_for(const QString& program_file);

// Fills the working image from the controller; shows the error. True on success.
bool read_configuration_from_device(error_record& err);

// Writes the working image to the controller (or, when the program comes from a file, to the
// file `name`). `force_all` sends every record, `settings_only` only the settings; with
// `tools` each tool in use also sends its curve. True on success.
bool send_configuration_to_device(bool force_all, bool settings_only, const tool_data_context* tools,
                                  const QString& name, error_record& err);

// The 500 tool records into the working image's tool slots; stops at the first error.
bool read_tool_table_from_device(error_record& err);
// The process-monitor records into the record store, up to the first free one.
bool read_pm_records_from_device(bool with_progress, error_record& err);

// The value field `offset` of the image travels as for the controller with `b` settings
// fields: the first entry of the parameter table whose value such a controller cannot take,
// or -1.
int changed_data_entry(const config_image& image, int fields);

// The value field 116 takes from the current variant flags.
int32_t variant_bits_from_flags();
// Whether the image's variant value may be written to the controller of the current flags.
bool variant_accepted(int32_t image_variant_bits);

// Steps the transfers share.
// Sets the progress (only forward) and runs one event pass with the link timer kept out.
void transfer_progress(int percent);
// The curve of one tool through the installed loader; false when there is none.
bool load_tool_curve(const QString& folder, const uint8_t* tool_record, std::vector<int16_t>& samples,
                     error_record& err);
// Keeps the settings field count of a revision word: its first byte, with ")" read as "+".
uint32_t revision_from_device(uint32_t raw);
// The number of settings fields this program knows.
constexpr int host_settings_fields = 75;
