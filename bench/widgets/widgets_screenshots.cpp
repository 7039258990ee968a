// Saves two pictures into the folder given as the argument (default: the current one):
// plot_three_curves.png (two band curves and a marked curve with a gap, zoom band shown)
// and filtered_table.png (a table with its filter row, one active filter).
#include <QApplication>
#include <QDir>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "widgets/c_plotter_tvx.h"
#include "widgets/c_qtableview_functab.h"

namespace {

bool save(QWidget& w, const QString& file)
{
    w.show();
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
    const bool ok = w.grab().save(file);
    std::printf("%s: %s\n", ok ? "saved" : "FAILED", qPrintable(file));
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());

    // Plot: 12 seconds at 100 samples per second.
    c_plotter_tvx plot;
    plot.resize(800, 500);
    const QVector<QColor> colours{QColor(40, 230, 30), QColor(0, 170, 255), QColor(255, 255, 0), QColor(255, 140, 0),
                                  QColor(255, 60, 60)};
    plot.setup_curves(false, true, 5, &colours, 1, 0, 1, 0);
    QVector<qint16> force(1200), position(1200), marked(1200);
    for (int i = 0; i < 1200; ++i) {
        force[i] = qint16(300 + 250 * std::sin(i / 90.0));
        position[i] = qint16(200 + 150 * std::cos(i / 60.0));
        marked[i] = qint16(900 + 120 * std::sin(i / 25.0));
        if (i >= 400 && i < 520)
            marked[i] = c_plotter_tvx::mark_value;  // dotted lines where it starts and ends
        if (i >= 800 && i < 860)
            marked[i] = -32768;  // no value: a gap
    }
    plot.attach_curve(0, nullptr, &force, false);
    plot.attach_curve(1, nullptr, &position, false);
    plot.attach_curve(4, nullptr, &marked, false);
    PlotSettings range{0, 1200, 6, 0, 1100, 5};
    plot.apply_view_range(&range, true, true);
    PlotSettings band{300, 700, 4, 100, 600, 5};
    plot.show();
    QApplication::processEvents();
    plot.show_zoom_band(&band);
    plot.rubber_band()->show();
    bool ok = save(plot, out.filePath(QStringLiteral("plot_three_curves.png")));

    // Table: 5000 records, rows only for those in use, a filter on the force column.
    struct rec {
        qint16 used;
        qint16 force;
        quint16 status;
    };
    std::vector<rec> records(5000);
    for (int i = 0; i < 5000; ++i)
        records[std::size_t(i)] = {qint16(i % 7 != 3), qint16((i * 37) % 2000 - 1000), quint16((i * 13) & 0xFF)};
    c_qtableview_functab table;
    table.resize(520, 380);
    const QStringList columns{"", "Record", "Force", "Status", "Name"};
    const quint16 widths[] = {26, 70, 80, 80, 200};
    const QVector<QColor> columnColours{QColor(230, 230, 230), QColor(210, 235, 255)};
    const quint16 colourOf[] = {0, 0, 1, 1, 0};
    table_view_options opt;
    opt.colours = &columnColours;
    opt.columnColours = colourOf;
    opt.checkColumn = 1;
    opt.fixedRows = 1;
    opt.filterableMask[0] = 0x1E;
    opt.indexOffset = 1;
    table.setup(0, nullptr, &columns, 20, widths,
                [](int, const void* r) { return static_cast<const rec*>(r)->used != 0; },
                [](int index, const void* r, QStringList* t) {
                    const rec* x = static_cast<const rec*>(r);
                    *t << QString() << QString::number(index) << QString::number(x->force)
                       << QString::asprintf("%02XH", unsigned(x->status)) << QStringLiteral("Record %1").arg(index);
                },
                0, &opt);
    table.set_array_geometry(records.data(), int(records.size()), int(sizeof(rec)));
    table.refill_rows(0);
    *table.column_filter(2) = column_filter_record{1, 1, filter_range, filter_number, QString(), 0, 500};
    *table.column_filter(3) = column_filter_record{1, 0, filter_equal, filter_hex, QStringLiteral("%02XH"), 0, 0};
    table.model_item(0, 0)->setCheckable(true);
    table.model_item(0, 0)->setCheckState(Qt::Checked);
    table.set_filter_active(0, 0, true);
    table.invalidate_filter();
    table.item_of_array_index(2, 0)->setCheckState(Qt::Checked);
    table.set_row_background(5, -1, QColor(255, 200, 200));
    ok = save(table, out.filePath(QStringLiteral("filtered_table.png"))) && ok;
    return ok ? 0 : 1;
}
