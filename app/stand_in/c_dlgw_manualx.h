// Stand-in of the manual mode and diagnostics page (stack index 2): the operations the main
// window and the link timer call, with empty bodies.
#pragma once
#include <QVector>
#include <QWidget>
#include <cstdint>

class c_frm_main;
class QPushButton;

class c_dlgw_manualx : public QWidget {
    Q_OBJECT
public:
    explicit c_dlgw_manualx(QWidget* parent = nullptr);

    void init_from_device(c_frm_main* main_window);
    // Hides the plotter dialog and resets its plots before the page is left.
    bool hide_plotter();
    void reset_status_labels() {}
    void show_status(const uint8_t* status_data, const uint8_t* two_bytes) { (void)status_data, (void)two_bytes; }
    void show_io_state(const uint8_t* frame, int selector) { (void)frame, (void)selector; }
    void show_output_leds(bool active) { (void)active; }
    void update_function_info(int function_number, bool pending, const uint8_t* status_data, int one)
    {
        (void)function_number, (void)pending, (void)status_data, (void)one;
    }
    void show_error_leds(uint8_t error_byte, uint32_t detail1, uint32_t detail2)
    {
        (void)error_byte, (void)detail1, (void)detail2;
    }
    void show_process_data_led() {}
    void update_fieldbus_data_view() {}
    void pm_cycle() {}
    void selfcheck_cycle() {}
    void blink_fieldbus_led() {}
    void show_fieldbus_status() {}
    void load_error_buffer() {}
    void fill_error_buffer_table() {}
    void on_bn_Stop_clicked() {}

    // The link timer's per-reply cycles (empty until the page is built): which tab with a
    // cycle of its own is shown, the cyclic info block of the current index (true once a
    // full cycle was read and differs from the last one), and the fieldbus block.
    enum cycle_tab { tab_none, tab_pm, tab_selfcheck, tab_fieldbus, tab_error_buffer };
    cycle_tab cycle_tab_shown() const { return tab_none; }
    bool read_cyclic_block() { return false; }
    bool plotter_shown() const { return false; }
    void read_fieldbus_block() {}
    bool error_buffer_reload = false;

    QPushButton* bn_Diagnostic() const { return bnDiagnostic_; }
    uint16_t error_buffer_count = 0;
    // The function number the page waits for itself (-1 none) and its two history caches.
    int32_t held_function = -1;
    QVector<int32_t> object_position_cache = QVector<int32_t>(512, -1);
    QVector<int32_t> counter_cache = QVector<int32_t>(512, -1);

public slots:
    void on_tbwx_FuncTab_itemSelectionChanged() {}

signals:
    void sig_Return();

private:
    QPushButton* bnDiagnostic_ = nullptr;
};
