#include "core/files/file_paths.h"

#include <QFile>

#include "platform/paths.h"

QString resolve_path(const QString& path)
{
    // One resolver for the whole system (flashcli uses the same one); file names cross in the
    // encoding the file system uses.
    return QFile::decodeName(QByteArray::fromStdString(platform::resolve_path(QFile::encodeName(path).toStdString())));
}
