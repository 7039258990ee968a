// Screenshots of the process monitor's windows: the page on a typical generated card and the
// plotter with a tool, its limit curves and three recordings. Run it under xvfb-run or with
// QT_QPA_PLATFORM=offscreen; it writes the PNGs into the folder it is given.
//
//     procmon_gallery OUT_DIR
#include <QApplication>
#include <QDir>
#include <QStandardItem>
#include <QTableView>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/files/app_dirs.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/text/global_tables.h"
#include "page_common/c_dlg_filter.h"
#include "page_common/c_dlg_plotter.h"
#include "procmon/pm_csv.h"
#include "procmon/sdcard_reader.h"
#include "procmon/windows/c_dlg_pm_data.h"
#include "procmon/windows/c_dlgw_procmon.h"
#include "sim/card_image.h"
#include "widgets/c_qtableview_functab.h"

namespace {

bool save(QWidget* w, const QString& dir, const char* name)
{
    w->show();
    QApplication::processEvents();
    const QString path = dir + QLatin1Char('/') + QLatin1String(name);
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

void set(basic_byte_view<uint8_t> r, const char* field, int64_t v) { r.set(*tool_record_fields().find(field), v); }

// A taught curve: a rise, a working plateau with some ripple and a fall.
std::vector<int16_t> curve(int n, double height, double phase)
{
    std::vector<int16_t> v(size_t(n), 0);
    for (int i = 0; i < n; ++i) {
        const double x = double(i) / n;
        const double shape = x < 0.1 ? x / 0.1 : (x > 0.85 ? (1 - x) / 0.15 : 1.0);
        v[size_t(i)] = int16_t(height * shape + 25 * std::sin(i * 0.05 + phase) + 12 * std::sin(i * 0.31));
    }
    return v;
}

c_qtableview_functab* tick_view(bool records, std::vector<int> rows)
{
    auto* v = new c_qtableview_functab;
    const QStringList columns{"", "Name"};
    const quint16 widths[] = {20, 80};
    table_view_options opt;
    opt.checkColumn = 1;
    v->setup(0, nullptr, &columns, 20, widths,
             [](int, const void* rec) { return le::i32(static_cast<const uint8_t*>(rec)) != 0; },
             [](int, const void*, QStringList* t) { *t << QString() << QString(); }, 0, &opt);
    if (records)
        v->set_array_geometry(g_images().pm_record_store.data(), 8300, 252);
    else
        v->set_array_geometry(g_config_image().tool(0).data(), 500, 252);
    v->refill_rows(0);
    for (int r : rows)
        v->item_of_array_index(r, 0)->setCheckState(Qt::Checked);
    return v;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: procmon_gallery OUT_DIR\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);
    build_global_tables();
    bool ok = true;

    // The page on a typical card.
    const std::string card = (out + "/gallery_card.img").toStdString();
    card_image::realistic_options o;
    o.seed = 3;
    if (!card_image::write_scenario(card_image::realistic(o), card)) {
        std::fprintf(stderr, "cannot write %s\n", card.c_str());
        return 1;
    }
    ::setenv("TARVIX_SDCARD_DEVICES", card.c_str(), 1);
    sdcard_reset_for_tests();
    {
        c_dlgw_procmon page;
        ok = page.openMonitor(nullptr) && ok;
        page.tools_view()->selectRow(2);
        page.recordings_view()->selectRow(4);
        ok = save(&page, out, "procmon_page.png") && ok;
        // The data table of a recording beside its tool.
        const pm_card_node& r = page.current_recording();
        const pm_card_node& t = page.current_tool();
        c_dlg_pm_data data;
        data.setWindowTitle(QStringLiteral("Recording beside tool"));
        sdcard_open();
        ok = data.set_data(true, int32_t(le::i32(r.sector + 1 + tr::data_cnt)), r.index,
                           int32_t(le::i32(t.sector + 1 + tr::data_cnt)), t.index) && ok;
        sdcard_close();
        ok = save(&data, out, "data_table.png") && ok;
    }
    sdcard_close();
    QFile::remove(QString::fromStdString(card));

    // The plotter: a tool with its limits and three recordings of it, read from the cache.
    init_app_dirs(out, out);
    tool_slot tool = g_config_image().tool(3);
    tool.set_in_use(1);
    auto rec = tool.record();
    rec.set_text(*tool_record_fields().find("Name"), "Drill D8");
    const std::vector<int16_t> taught = curve(2400, 1800, 0);
    set(rec, "DataCnt", 2400);
    set(rec, "DataMax", 1840);
    set(rec, "X_ToleranceRewind", 20);
    set(rec, "X_ToleranceForward", 20);
    set(rec, "MissingMode", 2);
    set(rec, "MissingLimit", 150);
    set(rec, "BluntMode", 2);
    set(rec, "BluntLimit", 250);
    set(rec, "BreakMode", 2);
    set(rec, "BreakLimit", 500);
    write_curve_csv(taught, rec.data(), data_file("pm_cache/" + pm_record_name(false, rec.data()) + ".csv"));
    for (int r = 0; r < 3; ++r) {
        tool_slot s = g_images().pm_record(uint32_t(r));
        s.set_in_use(1);
        auto p = s.record();
        std::copy_n(rec.data(), tool_record_size, p.data());
        set(p, "CounterTeach", r + 1);
        set(p, "DataCnt", 2300 + 60 * r);
        set(p, "DataMax", 2000);
        write_curve_csv(curve(2300 + 60 * r, 1750 + 90 * r, r), p.data(),
                        data_file("pm_cache/" + pm_record_name(true, p.data()) + ".csv"));
    }
    {
        c_dlg_plotter plotter;
        std::unique_ptr<c_qtableview_functab> tools(tick_view(false, {3}));
        std::unique_ptr<c_qtableview_functab> records(tick_view(true, {0, 1, 2}));
        ok = plotter.showCurves(true, true, true, tools.get(), nullptr, true) && ok;
        ok = plotter.showCurves(false, false, false, nullptr, records.get(), true) && ok;
        ok = save(&plotter, out, "plotter.png") && ok;
        plotter.reset_plots();
    }
    QDir(out + "/pm_cache").removeRecursively();

    // The filter dialog's three pages.
    {
        column_filter_record number;
        number.active = 1;
        number.type = filter_range;
        number.min = 1250;
        number.max = 4000;
        c_dlg_filter d1;
        d1.setWindowTitle(QStringLiteral("Filter DataCnt Column 7"));
        d1.setFilter(number, c_dlg_filter::page_number, 2, nullptr);
        ok = save(&d1, out, "filter_number.png") && ok;
        column_filter_record text;
        text.active = 1;
        text.pattern = QStringLiteral("Drill*");
        const QStringList names{"Drill*", "Tap*", "Mill*"};
        c_dlg_filter d2;
        d2.setWindowTitle(QStringLiteral("Filter Name Column 1"));
        d2.setFilter(text, c_dlg_filter::page_string, 0, &names);
        ok = save(&d2, out, "filter_text.png") && ok;
        column_filter_record bits;
        bits.active = 1;
        bits.min = 0x89;
        const QStringList bitNames{"Ready", "Scanning", "KO", "OK", "Break", "Blunt", "Missing", "Contact"};
        c_dlg_filter d3;
        d3.setWindowTitle(QStringLiteral("Filter State Column 8"));
        d3.setFilter(bits, c_dlg_filter::page_bits, 0, &bitNames);
        ok = save(&d3, out, "filter_bits.png") && ok;
    }
    for (const char* d : {"cd_data", "tvx_clones", "trace", "diagnostic"})
        QDir(out + "/" + d).removeRecursively();
    return ok ? 0 : 1;
}
