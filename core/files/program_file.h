// Program files (*.cdx): the configuration image byte for byte, with a few fields stored in
// their file encoding, loaded with the upgrades of older and newer files and saved so that a
// failed save never destroys the file that was there.
#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

#include "core/image/config_image.h"
#include "core/protocol/error_record.h"

// The program file the working image belongs to ("NEWFILE" for a new program).
struct program_file_state {
    QString current_file;
};
program_file_state& g_program_file();

// The image as it is stored: fields 168, 172, 276 and 292 as -1 when they hold their
// default, and the DeviceNet MAC ID with 0 and 63 exchanged. The image itself is untouched.
QByteArray encode_program_file(const config_image& image);

// Applies the bytes of a program file to an image that was just reset: the size test, the
// format code, the -1 defaults and the MAC ID, the newer-file test and the range check.
// Returns the error record (host 19, 20 as a warning, 21, 22 or 29); updates change-flag
// bits 0, 1 and 4.
error_record decode_program_file(const QByteArray& bytes, config_image& image, uint32_t& change_flags);

// Loads the current program file into the working image (reset only: just the reset). A
// missing file leaves the defaults without error; an existing file that cannot be read is an
// error. Shows the error; true on success or with warning 20 only.
bool load_configuration_file(bool reset_only, error_record& err);

// Writes the working image to `file_name` in its file encoding; 0 on success, 3 on failure
// (after the file error message).
int write_file_with_permissions(const QString& file_name);
