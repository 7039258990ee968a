#include "app/clone_file.h"

#include <QFile>
#include <cstdio>
#include <cstring>

#include "app/host_version.h"
#include "app/update_files.h"
#include "core/files/file_helpers.h"

namespace {

void put_u32(QByteArray& b, int at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

uint32_t get_u32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

}  // namespace

bool check_clone_file(const QString& path, uint8_t (&header)[clone_header_size])
{
    QFile file;
    if (!open_regular_file(file, path))
        return false;
    const qint64 size = file.size();
    const qint64 got = file.read(reinterpret_cast<char*>(header), clone_header_size);
    if (got > 0 && got < clone_header_size)
        std::memset(header + got, 0, size_t(clone_header_size - got));
    if (size < clone_header_size + 1 || got != clone_header_size)
        return false;
    if (header[0] != 'V' || header[1] != 'F' || std::memcmp(header + clone_layout::signature, "CLNS", 4) != 0)
        return false;
    if (qint64(get_u32(header + clone_layout::length)) != size)
        return false;
    return file_sum_is_zero(file) == 0;
}

QByteArray clone_firmware_name(const clone_header_source& s)
{
    // Digits 5 to 7 of the seven-digit article number.
    QByteArray article = s.article;
    bool numeric = false;
    const long number = article.toLong(&numeric);
    if (numeric)
        article = QByteArray::number(qlonglong(number) % 10000000).rightJustified(7, '0');
    const QByteArray digits = article.rightJustified(7, '0').mid(4, 3);
    QByteArray name = "F" + digits + "_";
    char v[32];
    std::snprintf(v, sizeof v, "%d%02d", s.fw_major, s.fw_minor);
    name += v;
    if (s.fw_patch != 0) {
        std::snprintf(v, sizeof v, ".%02d.%03d", s.fw_patch, s.fw_build);
        name += v;
    }
    name += ".hex";
    if (s.redesign)
        name += "x";
    return name;
}

QString clone_loader_name(const clone_header_source& s)
{
    char v[32];
    std::snprintf(v, sizeof v, "%d%02d", s.fld_major, s.fld_minor);
    QString digits = QString::fromLatin1(v);
    if (s.fld_patch != 0)
        digits += QString::asprintf("%02d", s.fld_patch);
    if (s.redesign)
        return QStringLiteral("tvx_firmLoadx/F356_") + digits + QStringLiteral(".binx");
    return QStringLiteral("tvx_firmLoad/F251_") + digits + QStringLiteral(".bin");
}

QByteArray build_clone_header(const clone_header_source& s)
{
    QByteArray comment;
    for (QChar c : s.comment) {
        if (comment.size() >= clone_layout::comment_limit)
            break;
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
            comment += char(c.unicode());
    }
    // The article number text comes from the controller: printable and short.
    QByteArray article;
    for (char c : s.da.left(16))
        if (c > 0x20 && c < 0x7F)
            article += c;

    QByteArray text;
    text += "VF:" + clone_firmware_name(s) + "\n";
    text += "FI:" + comment + "\n";
    // The host version is written padded to eight characters.
    text += QByteArray("VH:") + QByteArray(host_version_text).leftJustified(8, ' ') + " " + host_version_date + "\n";
    char v[64];
    std::snprintf(v, sizeof v, "VB:%d.%02d.%02d\n", s.fld_major, s.fld_minor,
                  s.fld_patch);
    text += v;
    std::snprintf(v, sizeof v, "VA:%08x\n", unsigned(s.va));
    text += v;
    std::snprintf(v, sizeof v, "VL:%c.%c\n", char('0' + s.logic_major), char('0' + s.logic_minor));
    text += v;
    text += "DA:" + article + "\n";

    QByteArray header(clone_header_size, '\0');
    std::memcpy(header.data(), text.constData(), size_t(qMin(text.size(), clone_layout::text_limit)));
    return header;
}

bool finish_clone_file(QFile& file)
{
    const qint64 size = file.size();
    QByteArray tail(clone_header_size - clone_layout::signature, '\0');
    std::memcpy(tail.data(), "CLNS", 4);
    put_u32(tail, clone_layout::length - clone_layout::signature, uint32_t(size));
    if (!file.seek(clone_layout::signature) || file.write(tail) != tail.size() || !file.flush())
        return false;
    uint8_t sum = 0;
    if (!file_byte_sum(file, sum))
        return false;
    const char check = char(uint8_t(0x100 - sum));
    return file.seek(clone_layout::checksum) && file.write(&check, 1) == 1 && file.flush();
}

char* split_first_line(char* text, char* line, int limit)
{
    int end = 0;
    while (end < limit && text[end] != 0 && text[end] != '\n')
        ++end;
    if (end >= limit || text[end] != '\n')
        return nullptr;
    text[end] = 0;
    std::memcpy(line, text, size_t(end) + 1);
    return text + end + 1;
}

QByteArray old_comment_line(const uint8_t* header, qint64 header_bytes)
{
    const QByteArray none("FI:");
    if (header_bytes < clone_header_size || header[0] != 'V' || header[1] != 'F')
        return none;
    // A terminated copy: the splits never run past the header.
    char text[clone_header_size + 1];
    std::memcpy(text, header, clone_header_size);
    text[clone_header_size] = 0;
    char line[128] = {};
    char* second = split_first_line(text, line, sizeof line);
    if (!second)
        return none;
    split_first_line(second, line, sizeof line);
    if (std::strncmp(line, "FI", 2) != 0)
        return none;
    return QByteArray(line);
}

bool append_clone_part(QFile& out, const QString& path)
{
    QFile in;
    if (!open_regular_file(in, path))
        return false;
    const qint64 size = in.size();
    if (!out.seek(out.size()))
        return false;
    qint64 copied = 0;
    char buf[65536];
    for (;;) {
        const qint64 got = in.read(buf, sizeof buf);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        if (out.write(buf, got) != got)
            return false;
        copied += got;
    }
    return out.flush() && copied == size;
}
