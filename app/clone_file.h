// A clone file as a whole: where its parts lie, the check that it is one, the header that
// clone creation writes, and the pieces that finish it (signature, length, checksum). The
// header's text lines are read by clone_header.h.
#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

#include "app/clone_header.h"

class QFile;

namespace clone_layout {
constexpr qint64 device_memory = 0x100;       // 512 blocks of 128 bytes of memory area 3
constexpr qint64 device_memory_size = 0x10000;
constexpr qint64 block_size = 0x80;
constexpr int block_count = int(device_memory_size / block_size);
constexpr qint64 flash_configuration = 0x10100;
constexpr qint64 flash_configuration_size = 0x8000;
constexpr qint64 loader_image = 0x18100;
constexpr qint64 firmware = 0x20100;
constexpr int signature = 224;  // "CLNS"
constexpr int length = 228;     // 32-bit file length
constexpr int checksum = 255;   // makes the byte sum of the file 0
// The header lines must end before the signature.
constexpr int text_limit = signature;
constexpr int comment_limit = 80;
}  // namespace clone_layout

// True when the file is a clone file: at least 257 bytes, a header that begins with "VF",
// the signature, the length of the file and a byte sum of 0. Opened read-only, so a clone
// file without write permission is valid. The 256 bytes read are copied to `header` whenever
// the file opened, valid or not.
bool check_clone_file(const QString& path, uint8_t (&header)[clone_header_size]);

// What the header of a new clone file says.
struct clone_header_source {
    QByteArray article;  // the controller's article number text, e.g. "5206252" (VF line)
    QByteArray da;       // the DA line: that text, or the family's article number without one
    int fw_major = 0, fw_minor = 0, fw_patch = 0, fw_build = 0;
    bool redesign = false;
    QString comment;
    int fld_major = 0, fld_minor = 0, fld_patch = 0;
    uint32_t va = 0;  // device parameter 28
    int logic_major = 0, logic_minor = 0;
};

// The firmware file name of the VF line: "F252_117.06.012.hex" (patch 0: "F252_117.hex"),
// with "x" behind it for the redesign.
QByteArray clone_firmware_name(const clone_header_source& s);
// The loader image below the application directory: "tvx_firmLoad/F251_10503.bin" (patch 0
// left out), or "tvx_firmLoadx/F356_....binx" for the redesign.
QString clone_loader_name(const clone_header_source& s);

// The zeroed 256-byte header with the lines VF, FI, VH, VB, VA, VL, DA. The comment is cut
// to 80 printable ASCII characters (other characters are dropped), and every other value is
// bounded, so the lines always end before the signature.
QByteArray build_clone_header(const clone_header_source& s);

// Writes the signature, the file length and the checksum byte of a clone file open for
// reading and writing. False when a read or write fails.
bool finish_clone_file(QFile& file);

// The comment line ("FI:...") of an existing clone file's header, "FI:" when the header has
// none (short file, no "VF" at its start, a first or second line without a line end within
// 128 bytes, a second line that is not the comment).
QByteArray old_comment_line(const uint8_t* header, qint64 header_bytes);

// Splits the first line off a zero-terminated text: looks for a line feed among the first
// `limit` bytes (stopping at the terminator); none: nothing changes, null is returned.
// Otherwise the line feed becomes a terminator, the line before it is copied with it into
// `line` (which holds `limit` bytes) and the rest behind the former line feed is returned.
char* split_first_line(char* text, char* line, int limit);

// Appends the whole file at `path` to the end of `out`; true when all its bytes were copied.
bool append_clone_part(QFile& out, const QString& path);
