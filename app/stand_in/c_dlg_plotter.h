// Stand-in of the process monitor's plotter dialog.
#pragma once
#include <QByteArray>
#include <QDialog>

class QTableView;

class c_dlg_plotter : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_plotter(QWidget* parent = nullptr);

    // Loads the checked tools and records of the two views into the plots.
    bool showCurves(int keep_settings, quint8 draw, int plot_mode, QTableView* tools, QTableView* records,
                    quint8 do_not_show);
    // Redraws the limit curves of one tool record from its teach data.
    bool showTeachCurves(const QByteArray& tool_record);
    // Refreshes the status boxes and tool labels from the latest cyclic data.
    void updateStatusDisplay() {}
    // Empties every curve slot of both plots.
    void reset_plots() {}
};
