#include "app/app_directories.h"

#include <QByteArray>
#include <cstring>

#include "app/shell_state.h"

namespace {

bool fits(const QString& dir)
{
    const QByteArray latin1 = dir.toLatin1();
    return latin1.size() < int(shell_dir_buffer_size) && QString::fromLatin1(latin1) == dir;
}

void copy(const QString& dir, char (&out)[shell_dir_buffer_size])
{
    const QByteArray latin1 = dir.toLatin1();
    std::memset(out, 0, sizeof out);
    std::memcpy(out, latin1.constData(), size_t(latin1.size()));
}

}  // namespace

bool set_directory_copies(const QString& app_dir, const QString& data_dir)
{
    if (!fits(app_dir) || !fits(data_dir))
        return false;
    copy(app_dir, g_dirs().app_dir_c);
    copy(data_dir, g_dirs().data_dir_c);
    return true;
}
