// The self-test plot frame of the manual page: two autoscaled plots of the four measurement
// channels, the lower one a zoom of the range chosen in the upper one.
#pragma once
#include <QFrame>
#include <QVector>

#include "widgets/plot_settings.h"

namespace Ui {
class c_frm_selftest;
}

// The four live channels of a self test, shared by the page (which fills them) and the frame
// (which draws them); they live for the whole run.
struct selftest_curves {
    QVector<qint16> position, pwm, speed, variable;
};
selftest_curves& g_selftest_curves();

// Plot channel of each curve.
enum selftest_channel : int { ch_variable = 6, ch_speed = 7, ch_pwm = 8, ch_position = 9 };

class c_frm_selftest : public QFrame {
    Q_OBJECT
public:
    explicit c_frm_selftest(QWidget* parent = nullptr);
    ~c_frm_selftest() override;

    // Rescales both plots to the position channel unless `keepRange`; false when that
    // channel has no samples.
    bool showChannels(bool keepRange);
    Ui::c_frm_selftest* form() const { return ui; }

    // Connected by hand in the constructor: the plots' signal is sig_ZoomChanged, so these are
    // plain members that the form's automatic connection does not look at.
    void on_plot_Main_zoomChanged(PlotSettings* pPlotSettingsP);
    void on_plot_Zoom_zoomChanged(PlotSettings* pPlotSettingsP);

private:
    Ui::c_frm_selftest* ui;
};
