// The manual mode page (stack index 2 of the main window): start, teach, stop and step the
// controller by hand, and watch its inputs, outputs and current function live. The page has
// no timer: the main window's link timer hands it every status reply (on_status_reply) and
// the decoded status (show_io_state, follow_status_function, ...).
#pragma once
#include <QWidget>
#include <array>
#include <cstdint>

#include "core/protocol/device_frame.h"
#include "core/protocol/error_record.h"

class QMainWindow;
class QPushButton;
class c_my_led;

namespace Ui {
class c_dlgw_manualx;
}

class c_dlgw_manualx : public QWidget {
    Q_OBJECT
public:
    // Logical tab indices of tab_ManualX.
    enum tab : int {
        tab_monitoring = 0, tab_manual = 1, tab_pm_tools = 2, tab_trace = 3,
        tab_profibus = 4, tab_devicenet = 5, tab_error_buffer = 6, tab_selfcheck = 7,
    };

    explicit c_dlgw_manualx(QWidget* parent = nullptr);
    ~c_dlgw_manualx() override;

    Ui::c_dlgw_manualx* form() const { return ui; }

    // Run by the Manual Mode command after the configuration upload, before the page shows.
    void init_from_device(QMainWindow* main);
    // Leaving the page: hides the plotter and resets its plots. Always true.
    bool hide_plotter();

    // --- from the main window's status handling
    // The status data (50 bytes): switches, output and input LEDs.
    void show_io_state(const uint8_t* status_data);
    void show_output_leds(bool on);
    // The error byte of the status data and the two detail words (code = byte 2 of the first).
    void show_error_leds(uint8_t error_byte, uint32_t detail1, uint32_t detail2);
    void reset_status_labels();
    // The function the controller reports (data 12-13, else 10-11): the panels follow it, or
    // the user's choice while the table was clicked and no new function came.
    void follow_status_function(uint16_t device_function, const uint8_t* status_data);
    // Data 10-11, the function selected by the inputs.
    void show_selected_input_function(int16_t function);
    // A teach of the page's single scan (teach code 0x8000) came back with this value.
    void take_manual_teach(int32_t value);

    // --- the per-status-reply dispatch (the tick calls it for every status reply in manual mode)
    void on_status_reply(const device_frame& frame);

    // Function panels: `status_data` is the 50 status data bytes, or none with status_valid false.
    void update_function_info(uint16_t function, bool force, const uint8_t* status_data, bool status_valid);

    // Process data: the PROFIBUS receive LED from the flag word of the block.
    void show_process_data_led();

    // The per-tab cycles of the diagnostics and process-monitor tabs join the dispatch here.
    void pm_cycle();  // one step of the process-monitor cycle (manual/manual_pm_tools.cpp)
    // Self check: one status tick of a running test (Selfcheck tab shown); the result labels.
    void selfcheck_cycle();
    void show_selfcheck_results(bool clear);
    // Fieldbus views: the bit tables (once), the PROFIBUS word tables of the current format
    // word, their refresh, the DeviceNet status view and its read every third reply, the
    // DeviceNet receive LED, and the reset of the DeviceNet view.
    void init_fieldbus_bit_tables();
    void init_fieldbus_io_tables();
    void update_fieldbus_data_view();
    void show_fieldbus_status();
    void read_fieldbus_block();
    void blink_fieldbus_led();
    void reset_devicenet_view();

    // Error buffer: reads the controller's entries (true when no error remains in `result`),
    // rebuilds the table from them, and the share of a status reply while the tab is shown.
    bool load_error_buffer(error_record& result);
    void fill_error_buffer_table(bool advanced);
    void error_buffer_cycle(bool bit_raised);
    // The report of the table as it stands, with the date and info text given.
    QByteArray error_report(const QString& date, const QString& info_text);

    // Trace: writes the latched entry as one line; the label of the trace state.
    void write_trace_line();
    void show_trace_state();
    // Leaving manual mode ends a running trace.
    void end_trace();

    QPushButton* bn_Diagnostic() const;
    // Entries of the error buffer read last; while there are none, the buffer's Clear and
    // Save are disabled (the link timer's tick applies it).
    uint16_t error_buffer_count() const;
    void enable_error_buffer_controls();

    // The function number of the current row of the function table, -1 when none.
    int selected_function() const;

    // PM Tools tab (connected by hand: the views' signals carry other names).
    void on_tbvx_PM_Tools_cb_clicked(int row, int column, Qt::CheckState state);
    void on_tbvx_PM_Records_cb_clicked(int row, int column, Qt::CheckState state);
    void on_tbvx_PM_Tools_fixRow_clicked(int fixRowP, int columnP);
    void on_tbvx_PM_Records_fixRow_clicked(int fixRowP, int columnP);
    // The counts of listed and ticked rows: source 0 tools, 1 records.
    void show_pm_counts(int source);

public slots:
    void on_tbwx_FuncTab_itemSelectionChanged();
    void on_tbwx_FuncTab_clicked();
    void on_bn_Start_clicked();
    void on_bn_Stop_clicked();
    void on_bn_Teach_clicked();
    void on_bn_S_Start_clicked();
    void on_bn_M_Stop_clicked();
    void on_bn_S_Teach_clicked();
    void on_bn_GoPos_clicked();
    void on_bn_GoBack_clicked();
    void on_bn_StepPos_pressed();
    void on_bn_StepPos_released();
    void on_bn_Trc_Stop_clicked();
    void on_bn_Clear_ErrBuf_clicked();
    void on_bn_Save_ErrBuf_clicked();
    void on_chb_AdvancedErrorBuf_stateChanged(int state);
    void on_bn_Trc_StartTrace_clicked();
    void on_bn_Trc_StopTrace_clicked();
    void on_bn_Trc_Start_clicked();
    void on_tbwx_trc_FuncTab_itemSelectionChanged();
    void on_tbwx_trc_FuncTab_clicked();
    void on_cb_TS_Mode_currentIndexChanged(int index);
    void on_bn_ShowPlotter_clicked();
    void on_bn_ClearPlotter_clicked();
    void on_bn_LoadRecordHeaders_clicked();
    void on_bn_ClearAllRecords_clicked();
    void on_bn_ExportAllTools_clicked();
    void on_bn_ExportSelectedTools_clicked();
    void on_bn_ExportAllRecords_clicked();
    void on_bn_ExportSelectedRecords_clicked();
    void on_bn_TestSW_clicked();
    void on_tab_ManualX_currentChanged(int index);
    void on_bn_Diagnostic_clicked();
    void on_bn_ST_ShowPlotter_clicked();
    void on_bn_StartSelfCheck_clicked();
    void on_bn_ST_ClearPlotter_clicked();

signals:
    void sig_Return();

private:
    void init_io_labels();
    // The fieldbus tab of the controller's fieldbus kind, at every entry.
    void init_fieldbus_from_device();
    void set_tab_visible(int logical, bool show);
    void input_led_tips();
    bool single_scan_values_ok();
    void clear_panels();
    // The selection rule: the start function and whether Teach is allowed for the selected
    // row (the controller as data source only).
    void apply_selection_rule();
    void setup_pm_views();
    void pm_enter();
    void pm_on_cycle_end();
    void pm_curve_changed(bool restarted);
    void setup_trace_table();
    void setup_error_buffer_table();
    // Writes the latched trace entry while the Trace tab is shown and a trace runs.
    void trace_if_latched();

    Ui::c_dlgw_manualx* ui;
    QMainWindow* main_ = nullptr;
    std::array<c_my_led*, 14> inputLeds_{};
};

// The one manual page of the program (set by its constructor).
c_dlgw_manualx* manual_page();
