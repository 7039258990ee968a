// The installed files of the update flows and what is read from them: version texts in
// file names, the loader version file, the logic package's byte sum and family records.
#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

#include "state/shell_state.h"  // update_state

class QFile;
struct version_record;

// The leading run of digits and dots of `text` (a trailing dot dropped) read as "%1d%2d"
// (3 characters), "%1d%2d.%2d" (6) or "%1d%2d.%2d.%d" (more than 8); missing fields are 0.
// False when the run has another length or a field cannot be read.
bool parse_version_string(const QByteArray& text, uint8_t& major, uint8_t& minor, uint8_t& patch, uint16_t& build);
// Exactly 6 characters read completely as "%1d%1d%2d%2d".
bool parse_logic_version(const QByteArray& text, int numbers[4]);
// The byte sum of the whole file, modulo 256; false when it cannot be read.
bool file_byte_sum(QFile& file, uint8_t& sum);
// 0 when the bytes of the file from its start sum to 0 modulo 256, else 45 (also when it
// cannot be read); the file is at its start again afterwards.
int file_sum_is_zero(QFile& file);
// The record of a logic family (parameter 28's value), -1 when the family is unknown.
int logic_record_for_family(uint8_t family);
// The 7 characters "d.dd.dd" of the loader version file; false when fewer than 7 came.
bool decode_loader_version(const QByteArray& bytes, version_record& loader);

// A directory below the application directory, its name matched as the file system has it.
QString installed_dir(const QString& name);
// The newest installed file: `filter` then `suffix` in `dir`; the base name found (empty
// when none) and the file's path.
bool find_installed_file(const QString& dir, const QString& filter, const QString& suffix, QString& base,
                         QString& path);
