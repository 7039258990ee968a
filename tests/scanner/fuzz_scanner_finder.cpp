// Any bytes as scanners.cscan: the reader never fails but with its range message.
#include <cstddef>
#include <cstdint>

#include <QtGlobal>

#include "scanner/scanner_finder_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        return true;
    }();
    (void)quiet;
    scanner_finder_tables t;
    parse_scanner_finder_text(QByteArray(reinterpret_cast<const char*>(data), int(size)), 12, t);
    for (const scanner_wand& w : t.wands)
        if (w.name.size() > scanner_wand::name_max)
            __builtin_trap();
    for (const scanner_unit& u : t.units)
        if (u.name.size() > scanner_unit::name_max || u.level_count > scanner_unit::level_max)
            __builtin_trap();
    return 0;
}
