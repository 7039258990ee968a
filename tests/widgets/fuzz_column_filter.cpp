// Feeds arbitrary cell texts, patterns and bounds to the column filter: no crash, no read
// through a format the window did not mean, and the filter-row text is always made.
#include <QString>
#include <cstdint>
#include <cstring>

#include "widgets/column_filter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 10)
        return 0;
    column_filter_record rec;
    rec.filterable = 1;
    rec.active = 1;
    rec.type = data[0] % 6;
    rec.kind = data[1] % 5;
    std::memcpy(&rec.min, data + 2, 4);
    std::memcpy(&rec.max, data + 6, 4);
    const QByteArray rest(reinterpret_cast<const char*>(data + 10), int(size - 10));
    const int cut = rest.indexOf('\n');
    rec.pattern = QString::fromLatin1(cut < 0 ? rest : rest.left(cut));
    const QString text = QString::fromLatin1(cut < 0 ? QByteArray() : rest.mid(cut + 1));
    (void)cell_passes_filter(text, rec);
    (void)filter_condition_text(rec);
    (void)wildcard_match(text, rec.pattern);
    return 0;
}
