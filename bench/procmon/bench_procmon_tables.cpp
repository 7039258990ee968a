// The process monitor's big views, each against the floor it cannot beat:
//  1. the data table of a full recording beside a full tool (1,799,936 rows) read from a
//     generated card, open to its first painted page, against a bare filtered table view over
//     the same number of records already in memory (goal: at most 1.3 times), and the memory
//     the dialog takes above its samples (goal: under 100 MB);
//  2. Refresh of a full-length tool and its three limit curves from the curve cache with both
//     plots painted, against reading that cache file alone (goal: at most 2 times).
// Run it in a Release build under xvfb-run or with QT_QPA_PLATFORM=offscreen:
//     bench_procmon_tables [WORK_DIR]
#include <QApplication>
#include <QDir>
#include <QStandardItem>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "core/files/app_dirs.h"
#include "core/files/sd_card_layout.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/text/global_tables.h"
#include "page_common/c_dlg_plotter.h"
#include "procmon/pm_csv.h"
#include "procmon/sdcard_reader.h"
#include "procmon/windows/c_dlg_pm_data.h"
#include "sim/card_image.h"
#include "widgets/c_qtableview_functab.h"

namespace {

using clock_type = std::chrono::steady_clock;
constexpr int full = sd_card_layout::max_samples;

double seconds_since(clock_type::time_point t0)
{
    return std::chrono::duration<double>(clock_type::now() - t0).count();
}

long rss_kb()
{
    std::ifstream f("/proc/self/statm");
    long pages = 0, resident = 0;
    f >> pages >> resident;
    return resident * 4;
}

void set(basic_byte_view<uint8_t> r, const char* field, int64_t v) { r.set(*tool_record_fields().find(field), v); }

card_image::tool_entry full_entry(int index, int phase)
{
    card_image::tool_entry e;
    e.index = index;
    e.flag = 1;
    e.record.fill(0);
    basic_byte_view<uint8_t> r(e.record.data(), tool_record_size);
    r.set_text(*tool_record_fields().find("Name"), "Full");
    set(r, "DN", 1);
    set(r, "PN", 2);
    set(r, "DataCnt", full);
    e.samples.resize(size_t(full));
    for (int i = 0; i < full; ++i)
        e.samples[size_t(i)] = uint16_t(1500 + int(400 * std::sin(i * 0.001 + phase)) + (i * 7 + phase) % 50);
    return e;
}

template <typename F>
double best_of(int runs, F f)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, f());
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString work = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath() + "/bench_procmon_tables")
                             .absolutePath();
    QDir().mkpath(work);
    build_global_tables();

    // 1. The data table.
    card_image::scenario s = card_image::make_scenario("S2");
    s.tools = {full_entry(0, 0)};
    s.recordings = {full_entry(0, 1)};
    s.next_slot = 1;
    s.total_written = 1;
    const std::string card = (work + "/card.img").toStdString();
    if (!card_image::write_scenario(s, card)) {
        std::fprintf(stderr, "cannot write %s\n", card.c_str());
        return 1;
    }
    ::setenv("TARVIX_SDCARD_DEVICES", card.c_str(), 1);
    sdcard_reset_for_tests();
    if (!sdcard_rescan() || !sdcard_open() || sdcard_read_ring_directory() < 1) {
        std::fprintf(stderr, "the card is not found: %s\n", sdcard_last_reason().c_str());
        return 1;
    }
    long extraKb = 0;
    const double dialog = best_of(3, [&] {
        const long before = rss_kb();
        const auto t0 = clock_type::now();
        c_dlg_pm_data d;
        if (!d.set_data(true, full, 0, full, 0))
            std::fprintf(stderr, "data read failed\n");
        d.show();
        d.repaint();
        QApplication::processEvents();
        const double t = seconds_since(t0);
        extraKb = rss_kb() - before - long(2 * full * 2 / 1024);
        return t;
    });
    sdcard_close();
    std::vector<uint16_t> samples(size_t(full) * 2);
    const double bare = best_of(3, [&] {
        const auto t0 = clock_type::now();
        c_qtableview_functab v;
        const QStringList columns{"Nr", "Dez", "Hex", "Dez", "Hex", "Diff"};
        static const quint16 widths[] = {50, 50, 50, 50, 50, 50};
        table_view_options o;
        v.setup(0, nullptr, &columns, 0, widths, [](int, const void*) { return true; },
                [](int index, const void* rec, QStringList* t) {
                    const auto* p = static_cast<const uint16_t*>(rec);
                    *t << QString::number(index) << QString::number(p[0]) << QString::number(p[0], 16)
                       << QString::number(p[1]) << QString::number(p[1], 16) << QString::number(p[1] - p[0]);
                },
                0, &o);
        v.set_array_geometry(samples.data(), full, 4);
        v.refill_rows(0);
        v.resize(345, 680);
        v.show();
        v.repaint();
        QApplication::processEvents();
        return seconds_since(t0);
    });
    std::printf("data table, 1,799,936 rows, open to first page: %.3f s; bare table view: %.3f s; ratio %.2f (goal <= 1.3)\n",
                dialog, bare, dialog / bare);
    std::printf("data table memory above its samples: %.1f MB (goal < 100 MB)\n", double(extraKb) / 1024.0);
    QFile::remove(QString::fromStdString(card));

    // 2. Refresh of a full-length tool from the curve cache.
    init_app_dirs(work, work);
    tool_slot tool = g_config_image().tool(0);
    tool.set_in_use(1);
    auto rec = tool.record();
    rec.set_text(*tool_record_fields().find("Name"), "Full");
    set(rec, "DataCnt", full);
    set(rec, "DataMax", 2000);
    set(rec, "X_ToleranceRewind", 200);
    set(rec, "X_ToleranceForward", 200);
    set(rec, "MissingMode", 2);
    set(rec, "BluntMode", 2);
    set(rec, "BreakMode", 2);
    set(rec, "BreakLimit", 500);
    const card_image::tool_entry e = full_entry(0, 2);
    const std::vector<int16_t> curve(e.samples.begin(), e.samples.end());
    const QString cache = data_file("pm_cache/" + pm_record_name(false, rec.data()) + ".csv");
    write_curve_csv(curve, rec.data(), cache);
    const double read = best_of(3, [&] {
        const auto t0 = clock_type::now();
        std::vector<int16_t> back;
        bool ok = false;
        pm_read_csv(back, nullptr, ok, cache);
        return seconds_since(t0);
    });
    c_qtableview_functab tools;
    const QStringList columns{"", "Name"};
    static const quint16 widths[] = {20, 80};
    table_view_options o;
    o.checkColumn = 1;
    tools.setup(0, nullptr, &columns, 20, widths,
                [](int, const void* r) { return le::i32(static_cast<const uint8_t*>(r)) != 0; },
                [](int, const void*, QStringList* t) { *t << QString() << QString(); }, 0, &o);
    tools.set_array_geometry(g_config_image().tool(0).data(), 500, 252);
    tools.refill_rows(0);
    tools.item_of_array_index(0, 0)->setCheckState(Qt::Checked);
    const double refresh = best_of(3, [&] {
        c_dlg_plotter plotter;
        plotter.show();
        QApplication::processEvents();
        const auto t0 = clock_type::now();
        plotter.showCurves(true, true, true, &tools, nullptr, false);
        plotter.repaint();
        QApplication::processEvents();
        const double t = seconds_since(t0);
        plotter.reset_plots();
        return t;
    });
    std::printf("Refresh of a full tool and its limits from the cache, both plots painted: %.3f s; pm_read_csv: %.3f s; ratio %.2f (goal <= 2)\n",
                refresh, read, refresh / read);
    QDir(work).removeRecursively();
    return 0;
}
