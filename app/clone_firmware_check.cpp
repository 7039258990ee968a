#include "app/clone_firmware_check.h"

#include <QFile>

#include "app/clone_file.h"
#include "core/files/file_helpers.h"

namespace {

// The longest record (255 data bytes) takes 521 characters; anything longer is no record.
constexpr qint64 max_line = 600;

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

enum class record { bad, data, end };

record read_record(const QByteArray& line)
{
    if (line.size() < 11 || line[0] != ':' || (line.size() - 1) % 2 != 0)
        return record::bad;
    QByteArray bytes;
    for (int i = 1; i + 1 < line.size(); i += 2) {
        const int hi = hex_digit(line[i]), lo = hex_digit(line[i + 1]);
        if (hi < 0 || lo < 0)
            return record::bad;
        bytes += char(hi << 4 | lo);
    }
    const int count = uint8_t(bytes[0]);
    if (bytes.size() != count + 5)
        return record::bad;
    uint8_t sum = 0;
    for (char b : bytes)
        sum = uint8_t(sum + uint8_t(b));
    if (sum != 0)
        return record::bad;
    switch (uint8_t(bytes[3])) {
    case 0:
        return record::data;
    case 1:
        return count == 0 ? record::end : record::bad;
    case 2:
    case 4:
        return count == 2 ? record::data : record::bad;
    case 3:
    case 5:
        return count == 4 ? record::data : record::bad;
    default:
        return record::bad;
    }
}

}  // namespace

bool clone_firmware_is_intel_hex(const QString& path)
{
    QFile file;
    if (!open_regular_file(file, path) || file.size() <= clone_layout::firmware || !file.seek(clone_layout::firmware))
        return false;
    while (!file.atEnd()) {
        QByteArray line = file.readLine(max_line + 2);
        if (line.isEmpty())
            return false;  // a read error
        if (!line.endsWith('\n') && !file.atEnd())
            return false;  // longer than any record
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        switch (read_record(line)) {
        case record::bad:
            return false;
        case record::end:
            return true;
        case record::data:
            break;
        }
    }
    return false;  // no end record inside the file
}
