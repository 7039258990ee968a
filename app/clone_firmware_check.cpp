#include "app/clone_firmware_check.h"

#include <QFile>

#include <cstdio>
#include <memory>
#include <string>

#include "app/clone_file.h"
#include "platform/hex_record.h"
#include "platform/regular_file.h"

bool clone_firmware_is_intel_hex(const QString& path)
{
    // Lines read and converted as the download reads them; on top of that only the known
    // record types pass, and the end record carries no data.
    if (path.isEmpty())
        return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        platform::fopen_regular(QFile::encodeName(path).toStdString()), &std::fclose);
    if (!file || std::fseek(file.get(), long(clone_layout::firmware), SEEK_SET) != 0)
        return false;
    std::string line;
    uint8_t piece[hex_record::max_piece];
    for (;;) {
        switch (hex_record::read_line(file.get(), line)) {
        case hex_record::read_result::end:
            return false;  // no end record inside the file (or a read error)
        case hex_record::read_result::too_long:
            return false;  // longer than any record
        case hex_record::read_result::line:
            break;
        }
        if (hex_record::to_piece(line.data(), line.size(), piece, sizeof piece) == 0)
            return false;
        const uint8_t count = piece[1], type = piece[4];
        if (type > 5 || (type == 1 && count != 0))
            return false;
        if (type == 1)
            return true;
    }
}
