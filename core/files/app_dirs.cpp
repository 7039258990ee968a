#include "core/files/app_dirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#include "core/files/file_paths.h"

// Built on first use, so start-up code of other files may already ask for paths (the
// scanner parameters take their default file name while the program loads).
app_dirs& g_app_dirs()
{
    static app_dirs s;
    return s;
}

QString default_data_directory()
{
    const QString suffix = QStringLiteral("/Tarvix/Tarvix_QT");
    const QByteArray pd = qgetenv("PROGRAMDATA");
    if (!pd.isEmpty())
        return QString::fromLocal8Bit(pd) + suffix;
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    if (!xdg.isEmpty())
        return QString::fromLocal8Bit(xdg) + suffix;
    return QDir::homePath() + QStringLiteral("/.local/share") + suffix;
}

bool init_app_dirs(const QString& application_dir, const QString& data_dir)
{
    g_app_dirs().application = application_dir;
    g_app_dirs().data = data_dir;
    bool ok = QDir().mkpath(data_dir);
    for (const char* sub : {"cd_data", "pm_cache", "tvx_clones", "trace", "diagnostic"})
        ok = QDir().mkpath(data_dir + QLatin1Char('/') + QLatin1String(sub)) && ok;
    // The settings files of the clone commands live in the data directory; the installed
    // ones are copied there once and never over a file that is there already.
    for (const char* name : {"flashconfig.DAT", "dl_config.DAT"}) {
        const QString target = data_dir + QStringLiteral("/tvx_clones/") + QLatin1String(name);
        const QString source = application_dir + QStringLiteral("/tvx_clones/") + QLatin1String(name);
        if (!QFileInfo::exists(target) && QFileInfo::exists(source))
            ok = QFile::copy(source, target) && ok;
    }
    return ok;
}

QString data_file(const QString& name)
{
    return g_app_dirs().data + QLatin1Char('/') + name;
}

QString app_file(const QString& name)
{
    QString n = name;
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (n.startsWith(QLatin1String("./")))
        n = n.mid(2);
    if (n.startsWith(QLatin1Char('/')) || g_app_dirs().application.isEmpty())
        return resolve_path(n);
    return resolve_path(g_app_dirs().application + QLatin1Char('/') + n);
}

void reset_app_dirs_for_tests()
{
    g_app_dirs() = app_dirs{};
}
