// Shows each common widget and saves it as a PNG in the folder given as the argument
// (default ./widgets_gallery), for a person to look at. Run it under xvfb-run.
#include <QApplication>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdint>
#include <vector>

#include "widgets/c_dlg_message.h"
#include "widgets/c_dlg_progressbar.h"
#include "widgets/c_my_led.h"
#include "widgets/c_my_rbg.h"
#include "widgets/c_qlineedit_extend.h"
#include "widgets/c_qtablewidget_functab.h"
#include "widgets/c_qtablewidget_seq.h"
#include "widgets/c_qtabwidget_ext.h"
#include "widgets/led_styles.h"

namespace {

QString g_folder;
int g_failures = 0;

void save(QWidget* w, const char* name)
{
    w->show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const QString file = g_folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    if (w->grab().save(file)) {
        std::printf("%s\n", qPrintable(file));
    } else {
        std::fprintf(stderr, "could not save %s\n", qPrintable(file));
        ++g_failures;
    }
    w->hide();
}

void radio_groups()
{
    QWidget panel;
    auto* box = new QVBoxLayout(&panel);
    auto* h = new c_my_rbg;
    h->setTitle("rbg_Side (horizontal)");
    h->create_buttons(QStringList{"Both", "Right", "Left", "Copy"}, Qt::Horizontal);
    h->setIndex(1);
    auto* v = new c_my_rbg;
    v->setTitle("rbg_Mode (vertical)");
    v->create_buttons(QStringList{"Tolerance", "Missing", "Blunt", "Break"}, Qt::Vertical);
    v->setIndex(3);
    v->set_button_enabled(2, false);
    box->addWidget(h);
    box->addWidget(v);
    save(&panel, "c_my_rbg");
}

void leds()
{
    QWidget panel;
    auto* grid = new QGridLayout(&panel);
    const char* names[] = {"off", "colour 0", "colour 1 (red)", "entry 3 (yellow)", "entry 4 (green)"};
    for (int i = 0; i < 5; ++i) {
        auto* led = new c_my_led;
        led->setFixedSize(24, 24);
        if (i == 1)
            led->set_state(0);
        if (i >= 2) {
            if (i > 2)
                led->set_colour_entry(i);
            led->set_state(1);
        }
        grid->addWidget(led, 0, i, Qt::AlignHCenter);
        grid->addWidget(new QLabel(QString::fromLatin1(names[i])), 1, i, Qt::AlignHCenter);
    }
    auto* lamp = new QLabel;
    lamp->setFixedSize(16, 16);
    set_led_style(lamp, led_green);
    grid->addWidget(lamp, 2, 0, Qt::AlignHCenter);
    grid->addWidget(new QLabel("set_led_style on a label"), 2, 1, 1, 3);
    save(&panel, "c_my_led");
}

void line_edits()
{
    QWidget panel;
    auto* form = new QFormLayout(&panel);
    auto add = [&](const char* label, double min, double max, int decimals, const char* typed) {
        auto* e = new c_qlineedit_extend;
        e->setRange(min, max, decimals);
        e->setText(QString::fromLatin1(typed));
        e->value();
        form->addRow(QString::fromLatin1(label), e);
    };
    add("ebx_Tolerance (2 decimals, typed \"1,5\")", 0, 0, 2, "1,5");
    add("ebx_Angle (1 decimal, -1.5..2.5, typed \"3\")", -1.5, 2.5, 1, "3");
    add("ebx_Delay (integer, 0..30000, typed \"45000\")", 0, 30000, 0, "45000");
    add("ebx_Idle (2 decimals, typed \"-0.05\")", 0, 0, 2, "-0.05");
    save(&panel, "c_qlineedit_extend");
}

std::vector<std::uint8_t> g_records(16 * 4, 0);

bool used(int, const void* r) { return static_cast<const std::uint8_t*>(r)[0] != 0; }

void function_text(int id, const void* r, QStringList* texts)
{
    const auto* b = static_cast<const std::uint8_t*>(r);
    texts->append(QString::number(id + 1));
    texts->append(QStringLiteral("FUNCTION_%1").arg(id + 1));
    texts->append(b[1] ? QStringLiteral("Cluster") : QStringLiteral("Single"));
    texts->append(QStringLiteral("%1.%2").arg(10 + id).arg(id * 7 % 100, 2, 10, QLatin1Char('0')));
}

void function_table()
{
    for (int id : {0, 2, 4, 5, 6, 7, 11}) {
        g_records[id * 4] = 1;
        g_records[id * 4 + 1] = id >= 4 && id <= 7;
    }
    c_qtablewidget_functab t;
    QStringList columns{"No", "Name", "Kind", "Position"};
    const quint16 widths[] = {40, 130, 80, 80};
    t.setupTable(0, nullptr, &columns, 0, widths, used, function_text, 0);
    t.setLayoutInfo(g_records.data(), 16, 4);
    t.refillRows(0);
    t.selectRowById(5);
    t.resize(360, 220);
    save(&t, "c_qtablewidget_functab");

    c_qtablewidget_functab fixed;
    QStringList fixedColumns{"Value", "Right", "Left"};
    QStringList rows{"Object position", "Counter", "Intensity"};
    const quint16 fixedWidths[] = {90, 70, 70};
    fixed.setupTable(3, &rows, &fixedColumns, 110, fixedWidths, nullptr,
                     [](int id, const void*, QStringList* texts) {
                         texts->append(QString::number(100 + id));
                         texts->append(QString::number(200 + id));
                     },
                     1);
    for (int r = 0; r < 3; ++r)
        fixed.item(r, 0)->setText(QStringLiteral("fixed"));
    fixed.refillRows(1);
    fixed.resize(360, 140);
    save(&fixed, "c_qtablewidget_functab_fixed");
}

void sequence_table()
{
    c_qtablewidget_seq t;
    const quint16 widths[] = {50, 90, 200};
    t.setup_columns(QStringList{"No", "Time", "Event"}, widths);
    const char* events[] = {"Start", "Teach", "Step +", "Step +", "Stop"};
    for (int i = 0; i < 5; ++i)
        t.append_row(QStringList{QString::number(i + 1), QStringLiteral("12:00:%1").arg(i * 3, 2, 10, QLatin1Char('0')),
                                 QString::fromLatin1(events[i])});
    t.select_row(2);
    t.resize(360, 190);
    save(&t, "c_qtablewidget_seq");
}

void tabs()
{
    c_qtabwidget_ext t;
    for (const char* title : {"Global", "Functions", "Tool types", "Tools", "Customer"}) {
        auto* page = new QLabel(QStringLiteral("Page \"%1\"").arg(QString::fromLatin1(title)));
        page->setAlignment(Qt::AlignCenter);
        t.addTab(page, QString::fromLatin1(title));
    }
    t.remember_tabs();
    t.set_tab_visible(2, false);  // "Tool types" hidden
    t.set_tab_visible(4, false);
    t.set_current_logical(3);
    t.resize(420, 160);
    save(&t, "c_qtabwidget_ext");
}

void dialogs()
{
    c_dlg_progressbar p;
    p.setWindowTitle("Reading configuration");
    p.l_FileInfo()->setText("function records");
    p.setValue(42);
    save(&p, "c_dlg_progressbar");

    c_dlg_message m;
    m.l_Message()->setText("Waiting for the controller ...");
    save(&m, "c_dlg_message");

    // The box the UI services show for ui::critical.
    QMessageBox box(QMessageBox::Critical, "ERROR", "Format error!", QMessageBox::Ok);
    save(&box, "message_box_error");
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle("fusion");
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("widgets_gallery");
    if (!QDir().mkpath(g_folder)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(g_folder));
        return 1;
    }
    radio_groups();
    leds();
    line_edits();
    function_table();
    sequence_table();
    tabs();
    dialogs();
    return g_failures ? 1 : 0;
}
