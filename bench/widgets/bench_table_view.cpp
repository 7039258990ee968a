// Builds the filtered table view over 1.8 million sample records, scrolls it, re-filters
// and sorts it, selects every row, removes and puts back a run of rows, and prints the times
// and the memory the view takes above the records.
// Goals: first page within 200 ms, under 100 MB above the data.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "widgets/c_qsrtf_se.h"
#include "widgets/c_qtableview_functab.h"

namespace {

constexpr int record_count = 1800000;
constexpr int record_size = 16;

long rss_kb(const char* key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(std::strlen(key))).trimmed().split(' ').value(0).toLong();
    return 0;
}

template <typename T>
T field(const void* rec, int offset)
{
    T v;
    std::memcpy(&v, static_cast<const unsigned char*>(rec) + offset, sizeof(T));
    return v;
}

double ms(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // The records: in use, sample number, force, position, status bits, time in hundredths.
    std::vector<unsigned char> data(std::size_t(record_count) * record_size);
    std::mt19937 rng(7);
    for (int i = 0; i < record_count; ++i) {
        unsigned char* r = &data[std::size_t(i) * record_size];
        const qint16 used = 1;
        const qint32 sample = i;
        const qint16 force = qint16(rng() % 20000 - 10000);
        const qint16 position = qint16(i % 30000);
        const quint16 status = quint16(rng() & 0xFF);
        const qint32 time = i;
        std::memcpy(r, &used, 2);
        std::memcpy(r + 2, &sample, 4);
        std::memcpy(r + 6, &force, 2);
        std::memcpy(r + 8, &position, 2);
        std::memcpy(r + 10, &status, 2);
        std::memcpy(r + 12, &time, 4);
    }
    const long base_kb = rss_kb("VmRSS:");

    c_qtableview_functab view;
    view.resize(900, 600);
    const QStringList columns{"Tick", "Sample", "Force", "Position", "Status", "Time [s]"};
    const quint16 widths[] = {30, 90, 80, 80, 70, 100};
    table_view_options opt;
    opt.checkColumn = 1;
    opt.fixedRows = 1;
    opt.filterableMask[0] = 0x3E;

    QElapsedTimer t;
    t.start();
    view.setup(0, nullptr, &columns, 20, widths, [](int, const void* rec) { return field<qint16>(rec, 0) != 0; },
               [](int, const void* rec, QStringList* texts) {
                   texts->clear();
                   *texts << QString() << QString::number(field<qint32>(rec, 2))
                          << QString::number(field<qint16>(rec, 6)) << QString::number(field<qint16>(rec, 8))
                          << QString::asprintf("%02XH", unsigned(field<quint16>(rec, 10)))
                          << QString::number(field<qint32>(rec, 12) / 100.0, 'f', 2);
               },
               0, &opt);
    view.set_array_geometry(data.data(), record_count, record_size);
    const double t_setup = ms(t);
    view.refill_rows(0);
    const double t_refill = ms(t);
    view.show();
    QApplication::processEvents();
    view.viewport()->repaint();
    const double first_page = ms(t);
    const long built_kb = rss_kb("VmRSS:");

    // Scrolling: jumps to spread-out places, each page painted.
    std::vector<double> pages;
    QScrollBar* bar = view.verticalScrollBar();
    for (int i = 0; i < 200; ++i) {
        t.restart();
        bar->setValue(int(rng() % unsigned(bar->maximum() + 1)));
        view.viewport()->repaint();
        pages.push_back(ms(t));
    }
    double page_sum = 0, page_max = 0;
    for (double p : pages) {
        page_sum += p;
        page_max = qMax(page_max, p);
    }

    // Re-filtering: a force range (first and second time: the values are kept per column),
    // a wildcard on the status text, then off again.
    // invalidate_filter reads the records again (they may have been edited in place); a changed
    // condition alone re-tests the rows through the proxy and keeps the numbers read.
    auto refilter = [&](const char* what, bool recordsChanged = true) {
        QElapsedTimer r;
        r.start();
        if (recordsChanged)
            view.invalidate_filter();
        else
            view.filter_proxy()->invalidate();
        bar->setValue(0);
        view.viewport()->repaint();
        std::printf("  %-44s %9.1f ms, %8d rows shown\n", what, ms(r), view.model()->rowCount() - 1);
    };
    std::printf("filtered table view over %d records of %d bytes (%.1f MB of records)\n", record_count, record_size,
                data.size() / 1048576.0);
    std::printf("  %-44s %9.1f ms (goal 200 ms): set-up %.1f, rows and current row %.1f, shown %.1f\n",
                "build and first page", first_page, t_setup, t_refill - t_setup, first_page - t_refill);
    std::printf("  %-44s %9.2f ms mean, %.2f ms max (%zu jumps)\n", "scroll: page painted after a jump",
                page_sum / pages.size(), page_max, pages.size());

    column_filter_record* force = view.column_filter(2);
    force->active = 1;
    force->type = filter_range;
    force->kind = filter_number;
    force->min = -1000;
    force->max = 1000;
    view.set_filter_active(0, 0, true);
    refilter("filter force -1000..1000 (first)");
    force->min = 0;
    force->max = 5000;
    view.update_filter_cell(0, 2);
    refilter("filter force 0..5000 (values kept)", false);
    refilter("filter force 0..5000 (records read again)");
    column_filter_record* status = view.column_filter(4);
    status->active = 1;
    status->type = filter_equal;
    status->kind = filter_text;
    status->pattern = QStringLiteral("1*");
    view.update_filter_cell(0, 4);
    refilter("plus status wildcard 1*");
    const long filtered_kb = rss_kb("VmRSS:");
    view.set_filter_active(0, 0, false);
    refilter("filter off");

    QElapsedTimer s;
    s.start();
    view.filter_proxy()->sort(2, Qt::DescendingOrder);
    view.viewport()->repaint();
    std::printf("  %-44s %9.1f ms\n", "sort by force, descending", ms(s));
    s.restart();
    view.filter_proxy()->sort(-1);
    view.viewport()->repaint();
    std::printf("  %-44s %9.1f ms\n", "back to record order", ms(s));

    // Selecting every row, then removing and putting back a run of 200 rows.
    const long before_select_kb = rss_kb("VmRSS:");
    s.restart();
    view.selectAll();
    const double t_select = ms(s);
    const long selected_kb = rss_kb("VmRSS:");
    s.restart();
    QApplication::processEvents();
    view.viewport()->repaint();
    view.horizontalHeader()->viewport()->repaint();
    std::printf("  %-44s %9.1f ms, %+.1f MB; then painted in %.1f ms\n", "select all (Ctrl+A)", t_select,
                (selected_kb - before_select_kb) / 1024.0, ms(s));
    view.clearSelection();
    s.restart();
    view.remove_array_rows(10, 200);
    view.viewport()->repaint();
    std::printf("  %-44s %9.1f ms, %8d rows left\n", "remove 200 rows (remove_array_rows)", ms(s),
                view.model()->rowCount() - 1);
    s.restart();
    view.update_rows(10, 200);
    view.viewport()->repaint();
    std::printf("  %-44s %9.1f ms, %8d rows\n", "put them back (update_rows)", ms(s), view.model()->rowCount() - 1);

    const long end_kb = rss_kb("VmRSS:");
    const long peak_kb = rss_kb("VmHWM:");
    std::printf("memory above the records: after build %.1f MB, filtered %.1f MB, at end %.1f MB, peak %.1f MB "
                "(goal 100 MB)\n",
                (built_kb - base_kb) / 1024.0, (filtered_kb - base_kb) / 1024.0, (end_kb - base_kb) / 1024.0,
                (peak_kb - base_kb) / 1024.0);
    return 0;
}
