// Reading scanners.cscan: a 640 KB file of 60,000 unit lines and a wand line naming 200,000
// units, read from disk as the scanner finder reads it; the wall time of each round against
// the goal of under a second.
// Run from the build folder: bench/bench_scanner_finder_file [rounds]
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "core/files/app_dirs.h"
#include "core/files/scanner_lists.h"
#include "page_common/scanner_finder_file.h"
#include "tests/scanner/big_cscan.h"

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QTemporaryDir app, data;
    if (!app.isValid() || !data.isValid() || !init_app_dirs(app.path(), data.path()))
        return 2;
    const QByteArray text = big_scanner_finder_text();
    {
        QFile f(app_file(QStringLiteral("scanners.cscan")));
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
            return 2;
    }
    double worst = 0;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        const bool ok = read_scanner_finder_file();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        worst = std::max(worst, s);
        std::printf("round %d: %s, %zu units, wand mask 0x%x, %.3f s\n", r + 1, ok ? "read" : "FAILED",
                    g_scanner_finder.units.size(), g_scanner_finder.wands.empty() ? 0u : g_scanner_finder.wands[0].unit_mask,
                    s);
        if (!ok)
            return 1;
    }
    std::printf("scanners.cscan of %d bytes: worst %.3f s (goal < 1 s): %s\n", int(text.size()), worst,
                worst < 1.0 ? "met" : "MISSED");
    return worst < 1.0 ? 0 : 1;
}
