// Scanner parameter files (*.sp, the raw 224-byte scanner record), the customer
// configuration file sent as 36 records, and the file helpers of the update and clone flows.
#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

#include "core/protocol/error_record.h"

class QFile;

// Shows the box of a failed file operation: "Host: Error <writing|reading> file ...".
void file_error_message(const QFile& file, bool writing);
// The same from a file name and the error code and text of the failure.
void file_error_message(const QString& file_name, bool writing, int code, const QString& message);

// Loads the current scanner parameter file into the user scanner record: a missing file is
// no error (zero record); a file of any size but 224 gives error 2 and the warning
// "Konfig-File has illegal size!". True on success.
bool check_configuration_file_size(int& error_code);

// Writes the user scanner record to the chosen user set of the controller (or clears that
// set), or to the current scanner parameter file, by the scanner document's source.
bool send_scanner_parameters(bool clear, error_record& err);

// The customer configuration chosen for sending: its name and its prepared file.
struct customer_config_state {
    QString name;
    QString path;
    bool pending = false;  // prepared and waiting for the next firmware update
};
customer_config_state& g_customer_config();
// ./tvx_Config/<name>.bin below the application directory.
QString customer_config_path(const QString& name);
// Reads the first 2016 bytes of the prepared file and sends them as 36 records.
bool send_scanner_configuration_file();

// A whole file in memory, for the update and clone flows.
struct file_buffer {
    static constexpr qint64 max_size = 0x100000;
    QByteArray data;
    uint32_t length = 0;
    uint32_t position = 0;
};
// False when the path is empty, cannot be opened, or the file is larger than the buffer
// (host error 31 in `err` when given: a truncated image must never be sent).
bool load_file_buffer(const QString& path, file_buffer& buf, error_record* err = nullptr);
// The size of an open file; its position is unchanged.
qint64 file_size(const QFile& file);

// When the current scanner file names an existing file, it becomes <its directory>/<title>.<old
// suffix>; returns whether it was a file.
bool rename_current_scanner_file();
// True when the current scanner file is a file; the title becomes its base name, else the
// default title.
bool update_current_file_base_name();
