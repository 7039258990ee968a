// The program window (stack index 1 of the main window): the settings tabs, the function
// table, the tool-type and tool tables and the set-up page of one program. Built once at
// start-up; the sub-dialogs are made with it and live as long.
#pragma once
#include <QStringList>
#include <QWidget>
#include <cstdint>

namespace Ui {
class c_dlgw_program;
}
class QComboBox;
class QStandardItemModel;
class QSortFilterProxyModel;
class c_dlg_scannerfinder;
class c_qtableview_functab;

class c_dlgw_program : public QWidget {
    Q_OBJECT
public:
    explicit c_dlgw_program(QWidget* parent = nullptr);
    ~c_dlgw_program() override;

    Ui::c_dlgw_program* form() const { return ui; }

    // Lists, radio texts, ranges, the hidden custom tab and the scanner combo's model.
    void init_widgets();
    // Enabling of the function-table and command buttons.
    void update_table_buttons();
    // The set-up page follows `rbg_SetUp` (0 Teach, 1 Edit).
    void update_setup_mode();
    // Queues one test-scan frame built from the default settings; `code` routes the reply.
    void send_test_scan_command(int32_t code);
    // Asked before the main window leaves the page; true lets it go.
    bool close_request();

    c_dlg_scannerfinder* scanner_finder() const { return scannerFinder_; }

signals:
    void sig_Return();

public slots:
    void on_bn_ScannerFinder_clicked();
    void on_bn_Close_clicked();

public:
    // Connected to the groups' sig_rb_clicked by init_widgets, not by name.
    void on_rbg_SetUp_clicked();
    void on_rbg_Fieldbus_clicked();

private:
    void setup_tables();

    Ui::c_dlgw_program* ui;
    c_dlg_scannerfinder* scannerFinder_ = nullptr;
};

// The one program window, or none.
c_dlgw_program* program_page();

// The scanner combo's model (column 0 text, column 1 number) and its sorting proxy.
QStandardItemModel* program_scanner_model();
QSortFilterProxyModel* program_scanner_proxy();
// The scanner number of the current `cb_GS_Scanner` item (0 without a page or an item).
int combo_current_data();
// Makes the first item carrying `scanner` current; none: the selection stays.
void combo_select_by_data(int scanner);

// "No Function", "Teach", "Start" and the seven names of inputs 3 and 13 (manual mode too).
QStringList& input_function_names();
// Button texts of `rbg_GS_PB_EnablePCD` and `rbg_GS_PB_CmdOptionsBit2` (manual mode's tips).
const QStringList& pb_enable_pcd_texts();
const QStringList& pb_cmd_options_bit2_texts();
// The program window's tool view (the plotter's refresh), or none.
c_qtableview_functab* program_tool_view();
