#include "app/app_directories.h"

#include <QByteArray>
#include <QFile>
#include <cstring>

#include "state/shell_state.h"

namespace {

bool fits(const QString& dir)
{
    return QFile::encodeName(dir).size() < int(shell_dir_buffer_size);
}

void copy(const QString& dir, char (&out)[shell_dir_buffer_size])
{
    const QByteArray name = QFile::encodeName(dir);
    std::memset(out, 0, sizeof out);
    std::memcpy(out, name.constData(), size_t(name.size()));
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
