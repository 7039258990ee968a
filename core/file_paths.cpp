#include "file_paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

QString resolve_path(const QString& path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (p.isEmpty() || QFileInfo::exists(p))
        return p;

    const bool absolute = p.startsWith(QLatin1Char('/'));
    const QStringList parts = p.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString done = absolute ? QStringLiteral("/") : QString();
    bool lost = false;  // once a component matches nothing, the rest cannot exist either
    for (const QString& part : parts) {
        QString pick = part;
        if (!lost && part != QLatin1String(".") && part != QLatin1String("..")) {
            const QString dir = done.isEmpty() ? QStringLiteral(".") : done;
            const QString candidate = done.isEmpty() ? part : (done.endsWith('/') ? done + part : done + '/' + part);
            if (!QFileInfo::exists(candidate)) {
                const QStringList entries =
                    QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                        QDir::Name);
                bool found = false;
                for (const QString& e : entries) {
                    if (e.compare(part, Qt::CaseInsensitive) == 0) {
                        pick = e;
                        found = true;
                        break;
                    }
                }
                lost = !found;
            }
        }
        if (done.isEmpty())
            done = pick;
        else if (done.endsWith(QLatin1Char('/')))
            done += pick;
        else
            done += QLatin1Char('/') + pick;
    }
    if (p.endsWith(QLatin1Char('/')) && !done.endsWith(QLatin1Char('/')))
        done += QLatin1Char('/');
    return done;
}
