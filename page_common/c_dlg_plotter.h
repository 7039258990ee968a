// The one plotter window: an overview and a zoom plot with eleven curve slots each (the limit
// curves missing, tool, blunt and break in 0 to 3, up to six process-monitor records in 4 to 9,
// the manual page's online curve in 10), the range controls, and the live status, error bits
// and current tool of the controller's process-data block. Created once by the main window.
#pragma once
#include <QByteArray>
#include <QDialog>
#include <QTime>
#include <QVector>
#include <functional>
#include <vector>

#include "widgets/plot_settings.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimeEdit;
class c_my_rbg;
class c_plotter_tvx;
class c_qtableview_functab;

class c_dlg_plotter : public QDialog {
    Q_OBJECT
public:
    static constexpr int slot_count = 11;
    static constexpr int online_slot = 10;

    explicit c_dlg_plotter(QWidget* parent = nullptr);
    ~c_dlg_plotter() override;

    // Loads the ticked tools and records of the two views (either may be null) into the plots.
    // False after "To many curves selected!!" or when the last curve could not be loaded.
    bool showCurves(bool teachMode, bool autoRange, bool recomputeLimits, QTableView* tools, QTableView* records,
                    bool noShow);
    // Redraws the limit curves of an edited tool record (222 bytes) over the shown tool curve.
    bool showTeachCurves(const QByteArray& tool_record);
    // The status and error bits and the current tool of the process-data block.
    void updateStatusDisplay();

    // Empties every curve slot of both plots and forgets which row each one showed.
    void reset_plots();
    // Hides the window and detaches every curve of both plots.
    void hide_and_detach();
    // Forgets the slots of the tool table (a new program) or of the record table.
    void reset_tool_slots();
    void reset_record_slots();
    // Back to "Auto" (the automatic range in force) with the time edit and the spin box
    // enabled or not.
    void select_auto_mode(bool editsEnabled);
    // The colour of a curve slot, as its row's first cell shows it.
    static QColor slot_colour(int slot);

    c_plotter_tvx* main_plot() const { return plot_Main; }
    c_plotter_tvx* zoom_plot() const { return plot_Zoom; }
    // The online curve the manual page records into (slot 10).
    QVector<qint16>* online_curve() { return &entries_[online_slot].samples; }

    // Where "Refresh Plotter" finds its views: each page registers its tool and record views
    // for its window mode. A mode without an entry answers none.
    struct page_views {
        QTableView* tools = nullptr;
        QTableView* records = nullptr;
    };
    static void set_page_views(int windowMode, std::function<page_views()> views);

    // For tests: the slot a row shows in (-1 none), the row of a slot, and the range.
    int tool_slot_of(int row) const { return toolCurveSlot_[size_t(row)]; }
    int record_slot_of(int row) const { return recordCurveSlot_[size_t(row)]; }
    int row_of_slot(int slot) const { return entries_[slot].row; }
    const QVector<qint16>& slot_samples(int slot) const { return entries_[slot].samples; }
    const QVector<qint16>& limit_curve(int which) const { return limits_[which]; }  // 0 M, 1 B, 2 K
    const PlotSettings& range() const { return plotRange_; }
    // Auto mode: the first button of the settings mode group is checked.
    bool auto_range() const;

public slots:
    void on_plot_Main_zoomChanged(PlotSettings* range);
    void on_plot_Zoom_zoomChanged(PlotSettings* range);
    void on_rbg_SettingsMode_clicked(int index);
    void on_timeEdit_timeChanged(const QTime& time);
    void on_timeEdit_editingFinished();
    void on_sp_MaxData_editingFinished();
    void on_sp_MaxData_valueChanged(int value);
    void on_bn_ShowPlotter_clicked();
    void on_bn_ClearPlotter_clicked();

private:
    struct curve_entry {
        int row = -1;
        QVector<qint16> samples;
    };
    struct load_result {
        int shown = 0;
        int evicted = 0;
    };

    void build_form();
    bool loadCurves(bool isRecording, bool teachMode, bool recomputeLimits, c_qtableview_functab* view,
                    std::vector<int>& rowToSlot, load_result& counts, PlotSettings& range);
    bool read_curve(bool isRecording, int row, const uint8_t* record, QVector<qint16>& out);
    void compute_limits(const uint8_t* record, const QVector<qint16>& samples);
    void attach_limits();
    void attach_both(int slot, QVector<qint16>* samples);
    void apply_range(const PlotSettings& range);
    void apply_time(const QTime& time);
    void apply_max_data(int value);
    page_views refresh_views() const;

    c_plotter_tvx* plot_Main = nullptr;
    c_plotter_tvx* plot_Zoom = nullptr;
    c_my_rbg* rbg_SettingsMode = nullptr;
    QTimeEdit* timeEdit = nullptr;
    QSpinBox* sp_MaxData = nullptr;
    QPushButton* bn_ShowPlotter = nullptr;
    QPushButton* bn_ClearPlotter = nullptr;
    QCheckBox* statusBoxes_[16] = {};
    QCheckBox* errorBoxes_[16] = {};
    QLabel* pn_PM_Tool_Name = nullptr;
    QLabel* pn_PM_Tool_DuploNr = nullptr;
    QLabel* pn_PM_Tool_ProcessNr = nullptr;

    curve_entry entries_[slot_count];
    std::vector<int> toolCurveSlot_;
    std::vector<int> recordCurveSlot_;
    QVector<qint16> limits_[3];
    int yLow_ = 0;
    int yHigh_ = 0;
    PlotSettings plotRange_;
    PlotSettings toolPlotRange_;
};
