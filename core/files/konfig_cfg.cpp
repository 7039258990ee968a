#include "core/files/konfig_cfg.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "core/device/device_calls.h"
#include "core/files/app_dirs.h"
#include "core/files/file_helpers.h"

konfig_settings& g_konfig()
{
    static konfig_settings s;
    return s;
}

namespace {
QString konfig_path()
{
    return data_file(QStringLiteral("konfig.cfg"));
}
}  // namespace

namespace {
// A settings line is a key, a colon and a short value; longer lines are read only this far.
constexpr int konfig_line_bytes = 255;
// Past this the file is not read further, so a huge file cannot stall the start.
constexpr qint64 konfig_read_limit = qint64(64) << 20;
}  // namespace

void parse_konfig_line(const QByteArray& line, konfig_settings& s)
{
    if (line.size() <= 2 || line[0] == ';' || line[1] != ':')
        return;
    const char key = line[0];
    const char v = line[2];
    switch (key) {
    case 'A':
    case 'a':
    case 'C':
    case 'c': {
        // A number too big for an int is no number rather than undefined.
        const char* text = line.constData() + 2;
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(text, &end, 10);
        if (end != text && errno != ERANGE && value >= INT_MIN && value <= INT_MAX) {
            if (key == 'A' || key == 'a')
                s.a = static_cast<uint16_t>(value);
            else
                s.c = static_cast<uint16_t>(value);
        }
        break;
    }
    case 'L':
    case 'l':
        s.language = (v >= '0' && v <= '4') ? v - '0' : 0;
        break;
    case 'M':
    case 'm':
        if (v == '2')
            s.m = 2;
        break;
    default:
        break;
    }
}

void parse_konfig_cfg(const QByteArray& text, konfig_settings& s)
{
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        parse_konfig_line(line, s);
    }
}

QByteArray format_konfig_cfg(const konfig_settings& s)
{
    QByteArray out;
    out += "A:" + QByteArray::number(s.a) + "\r\n";
    out += "C:" + QByteArray::number(s.c) + "\r\n";
    out += "M:" + QByteArray::number(s.m) + "\r\n";
    out += "L:" + QByteArray::number(s.language) + "\r\n";
    return out;
}

bool read_konfig_cfg()
{
    g_konfig().m = 3;
    g_konfig().language = 0;
    QFile f;
    if (!open_regular_file(f, konfig_path()))
        return false;
    for_each_line(f, konfig_line_bytes, konfig_read_limit, [](const QByteArray& line) {
        parse_konfig_line(line, g_konfig());
        return true;
    });
    return true;
}

bool write_konfig_cfg()
{
    const file_write_result r = replace_file(konfig_path(), format_konfig_cfg(g_konfig()));
    if (r.ok)
        return true;
    error_record e;
    e.set(err_type_host, 63, err_severity_error, err_arg_once, r.sys_errno);
    g_host_context().show_error(e);
    return false;
}

void reset_konfig_for_tests()
{
    g_konfig() = konfig_settings{};
}
