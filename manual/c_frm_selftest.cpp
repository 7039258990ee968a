#include "manual/c_frm_selftest.h"

#include <QDebug>

#include "core/text/global_tables.h"
#include "ui_c_frm_selftest.h"

namespace {

// Colour of each plot slot from the self-test curve palette (white where it has none); the
// self test draws slots 6 to 9.
QVector<QColor> selftest_palette()
{
    const std::vector<rgba_colour>& table = g_global_tables().selftest_curve_palette;
    QVector<QColor> p;
    for (size_t i = 0; i < 11; ++i) {
        const rgba_colour c = i < table.size() ? table[i] : rgba_colour{255, 255, 255, 255};
        p.push_back(QColor(c.r, c.g, c.b, c.a));
    }
    return p;
}

}  // namespace

selftest_curves& g_selftest_curves()
{
    static selftest_curves c;
    return c;
}

c_frm_selftest::c_frm_selftest(QWidget* parent) : QFrame(parent), ui(new Ui::c_frm_selftest)
{
    ui->setupUi(this);
    const QVector<QColor> palette = selftest_palette();
    ui->plot_Main->setup_curves(true, true, 11, &palette, 1, 0, 1, 2);
    ui->plot_Zoom->setup_curves(false, false, 11, &palette, 1, 0, 1, 2);
    selftest_curves& c = g_selftest_curves();
    for (c_plotter_tvx_autoscale* p : {ui->plot_Main, ui->plot_Zoom}) {
        p->attach_curve(ch_position, nullptr, &c.position, false);
        p->attach_curve(ch_pwm, nullptr, &c.pwm, false);
        p->attach_curve(ch_speed, nullptr, &c.speed, false);
        p->attach_curve(ch_variable, nullptr, &c.variable, false);
    }
    PlotSettings s;
    s.xMin = 0;
    s.xMax = 400;
    s.yMin = 0;
    s.yMax = 200;
    for (c_plotter_tvx_autoscale* p : {ui->plot_Main, ui->plot_Zoom}) {
        p->set_reference_range(ch_position, 0, 200);
        p->apply_view_range(&s, true, true);
    }
    connect(ui->plot_Main, &c_plotter_se::sig_ZoomChanged, this, &c_frm_selftest::on_plot_Main_zoomChanged);
    connect(ui->plot_Zoom, &c_plotter_se::sig_ZoomChanged, this, &c_frm_selftest::on_plot_Zoom_zoomChanged);
}

c_frm_selftest::~c_frm_selftest()
{
    // The curves outlive the frame; the plots must not keep pointing at them.
    ui->plot_Main->detach_all_curves();
    ui->plot_Zoom->detach_all_curves();
    delete ui;
}

bool c_frm_selftest::showChannels(bool keepRange)
{
    if (!keepRange) {
        for (c_plotter_tvx_autoscale* p : {ui->plot_Main, ui->plot_Zoom}) {
            PlotSettings s;
            if (!p->autoscale_channel(ch_position, &s.xMin, &s.xMax, &s.yMin, &s.yMax))
                return false;
            p->apply_view_range(&s, true, true);
        }
    }
    qDebug("Ch CID_ONL_POSITION Scale:  %.2f", ui->plot_Main->channel_scale(ch_position));
    qDebug("Ch CID_ONL_PWM      Scale:  %.2f", ui->plot_Main->channel_scale(ch_pwm));
    qDebug("Ch CID_ONL_SPEED    Scale:  %.2f", ui->plot_Main->channel_scale(ch_speed));
    qDebug("Ch CID_ONL_VARIABLE Scale:  %.2f", ui->plot_Main->channel_scale(ch_variable));
    return true;
}

void c_frm_selftest::on_plot_Main_zoomChanged(PlotSettings* pPlotSettingsP)
{
    ui->plot_Zoom->apply_view_range(pPlotSettingsP, false, true);
}

void c_frm_selftest::on_plot_Zoom_zoomChanged(PlotSettings* pPlotSettingsP)
{
    ui->plot_Main->show_zoom_band(pPlotSettingsP);
}
