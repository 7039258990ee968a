#include "app/update_files.h"

#include <QDir>
#include <QFile>
#include <cstdio>

#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/files/file_helpers.h"
#include "core/files/file_paths.h"

bool parse_version_string(const QByteArray& text, uint8_t& major, uint8_t& minor, uint8_t& patch, uint16_t& build)
{
    int n = 0;
    while (n < text.size() && ((text[n] >= '0' && text[n] <= '9') || text[n] == '.'))
        ++n;
    if (n > 0 && text[n - 1] == '.')
        --n;
    const QByteArray run = text.left(n);
    int a = 0, b = 0, c = 0;
    unsigned d = 0;
    int fields = 0, wanted = 0;
    if (n == 3) {
        wanted = 2;
        fields = std::sscanf(run.constData(), "%1d%2d", &a, &b);
    } else if (n == 6) {
        wanted = 3;
        fields = std::sscanf(run.constData(), "%1d%2d.%2d", &a, &b, &c);
    } else if (n > 8) {
        wanted = 4;
        fields = std::sscanf(run.constData(), "%1d%2d.%2d.%5u", &a, &b, &c, &d);
    }
    if (wanted == 0 || fields != wanted)
        return false;
    major = uint8_t(a);
    minor = uint8_t(b);
    patch = uint8_t(c);
    build = uint16_t(d);
    return true;
}

bool parse_logic_version(const QByteArray& text, int numbers[4])
{
    if (text.size() != 6)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return std::sscanf(text.constData(), "%1d%1d%2d%2d", &numbers[0], &numbers[1], &numbers[2], &numbers[3]) == 4;
}

bool file_byte_sum(QFile& file, uint8_t& sum)
{
    if (!file.seek(0))
        return false;
    sum = 0;
    char buf[65536];
    for (;;) {
        const qint64 got = file.read(buf, sizeof buf);
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        for (qint64 i = 0; i < got; ++i)
            sum = uint8_t(sum + uint8_t(buf[i]));
    }
}

int file_sum_is_zero(QFile& file)
{
    uint8_t sum = 0;
    const bool read = file_byte_sum(file, sum);
    file.seek(0);
    return read && sum == 0 ? 0 : 45;
}

int logic_record_for_family(uint8_t family)
{
    static const uint8_t families[] = {0x10, 0x20, 0x21, 0x22, 0x23, 0x24, 0x41};
    for (int i = 0; i < 7; ++i)
        if (families[i] == family)
            return i;
    return -1;
}

bool decode_loader_version(const QByteArray& bytes, version_record& loader)
{
    if (bytes.size() < 7)
        return false;
    auto d = [&](int i) { return uint8_t(bytes[i] - '0'); };
    loader.major = d(0);
    loader.minor = uint8_t(d(2) * 10 + d(3));
    loader.patch = uint8_t(d(5) * 10 + d(6));
    return true;
}

QString installed_dir(const QString& name)
{
    // The application directory is the current directory; before it is set, that one.
    const QString app = g_app_dirs().application.isEmpty() ? QDir::currentPath() : g_app_dirs().application;
    return resolve_path(app + "/" + name);
}

bool find_installed_file(const QString& dir, const QString& filter, const QString& suffix, QString& base,
                         QString& path)
{
    base.clear();
    path.clear();
    const QString d = installed_dir(dir);
    if (!find_newest_file(d, filter + suffix, base))
        return false;
    path = resolve_path(d + "/" + base + suffix);
    return true;
}
