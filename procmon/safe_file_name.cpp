#include "procmon/safe_file_name.h"

QString safe_file_name(const QString& name, const QString& fallback)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return fallback;
    QString out = name;
    for (QChar& c : out) {
        const ushort u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    }
    // A leading dot would hide the file from the user's folder view.
    if (out.startsWith(QLatin1Char('.')))
        out[0] = QLatin1Char('_');
    return out;
}
