#include "app/clone_header.h"

#include <QFile>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "core/text/text_tables.h"
#include "platform/regular_file.h"

clone_header_values& g_clone_header()
{
    static clone_header_values v;
    return v;
}

void file_text_header(const uint8_t* header, QStringList& lines)
{
    lines.clear();
    // A terminated copy, so that no scan of a line can run past the header.
    char text[clone_header_size + 1];
    std::memcpy(text, header, clone_header_size);
    text[clone_header_size] = 0;

    clone_header_values& v = g_clone_header();
    int start = 0;
    while (start < clone_header_size) {
        // The text ends at its first zero byte; the binary fields behind it (file size,
        // checksum) may hold a line-feed byte that is not a line end.
        const size_t text_left = strnlen(text + start, size_t(clone_header_size - start));
        const void* found = std::memchr(text + start, '\n', text_left);
        if (!found)
            break;
        const int end = int(static_cast<const char*>(found) - text);
        text[end] = 0;
        const char* line = text + start;
        const size_t length = size_t(end - start);
        lines.append(QString::fromLatin1(line));

        if (std::strncmp(line, "VA", 2) == 0 && length > 3) {
            unsigned int va = 0;
            if (std::sscanf(line + 3, "%8x", &va) == 1)
                v.va = va;
        } else if (std::strncmp(line, "DA", 2) == 0 && length > 3) {
            char da[clone_header_size + 1] = {};
            if (std::sscanf(line + 3, "%256s", da) == 1)
                v.da = QByteArray(da);
        } else if (std::strncmp(line, "VF", 2) == 0 && length > 8) {
            int major = 0, minor = 0, patch = 0, build = 0;
            if (length > 12 && std::isdigit(static_cast<unsigned char>(line[12]))) {
                std::sscanf(line + 8, "%1d%2d.%2d.%3d", &major, &minor, &patch, &build);
            } else {
                std::sscanf(line + 8, "%1d%2d", &major, &minor);
            }
            v.vf_major = major;
            v.vf_minor = minor;
            v.vf_patch = patch;
            v.vf_build = build;
        } else if (std::strncmp(line, "VB", 2) == 0 && length > 3) {
            int major = 0, minor = 0, patch = 0;
            std::sscanf(line + 3, "%1d.%2d.%2d", &major, &minor, &patch);
            v.vb_major = major;
            v.vb_minor = minor;
            v.vb_patch = patch;
        }
        start = end + 1;
    }
}

void clone_preview(const QString& path, QStringList& lines)
{
    g_clone_header().va = 0x20;
    lines.clear();
    // Opened as clone programming opens it (for reading and writing); never created just to
    // preview it, and only when it is a regular file: a FIFO would block the dialog for ever.
    const int fd = platform::open_regular_file(QFile::encodeName(path).toStdString(), true);
    if (fd < 0)
        return;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return;
    }
    uint8_t header[clone_header_size];
    const qint64 got = file.read(reinterpret_cast<char*>(header), clone_header_size);
    if (got == clone_header_size && header[0] == 'V' && header[1] == 'F')
        file_text_header(header, lines);
    else
        lines.append(QString::fromLatin1(txt_label(345).c_str()));
}
