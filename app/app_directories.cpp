#include "app/app_directories.h"

#include <QDir>
#include <cstring>

#include "app/shell_state.h"

QString data_directory_from_environment()
{
    const QByteArray programData = qgetenv("PROGRAMDATA");
    if (!programData.isEmpty())
        return QString::fromLocal8Bit(programData) + QStringLiteral("/Tarvix/Tarvix_QT");
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/Tarvix/Tarvix_QT");
}

namespace {

bool store(const QString& dir, QString& text, char (&copy)[shell_dir_buffer_size])
{
    const QByteArray latin1 = dir.toLatin1();
    if (latin1.size() >= int(shell_dir_buffer_size) || QString::fromLatin1(latin1) != dir)
        return false;
    text = dir;
    std::memset(copy, 0, sizeof copy);
    std::memcpy(copy, latin1.constData(), size_t(latin1.size()));
    return true;
}

}  // namespace

bool set_application_directory(const QString& dir)
{
    return store(dir, g_dirs().app_dir, g_dirs().app_dir_c);
}

bool set_data_directory(const QString& dir)
{
    return store(dir, g_dirs().data_dir, g_dirs().data_dir_c);
}
