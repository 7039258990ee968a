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
class QModelIndex;
class QStandardItemModel;
class QSortFilterProxyModel;
class c_dlg_advancedoptions;
class c_dlg_prgtool;
class c_dlg_scannerfinder;
class c_dlg_setup_wizard;
class c_qtableview_functab;
class config_image;

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

    // Shows the working image in the whole page; with the main window also its title, the
    // reference image, the tabs and the settings.
    void show_program(QWidget* main);
    // Working image to the settings widgets and the Basic page.
    void image_to_settings();
    // Settings widgets and Basic page to `dest` (its header, on a Basic device its records 0-3).
    void window_to_image(config_image& dest);
    // The first 304 header bytes the window would write differ from the reference image's.
    bool settings_changed();
    // "Is the selected scanner ... correct?" with Yes and No.
    int ask_scanner_correct();
    // The close questions: for a new program without a file, and for any other.
    bool ask_save_changes();
    bool close_check();
    // "%d rows, %d cnt" of the listed and of the checked tools.
    void show_tool_counts();

    c_dlg_scannerfinder* scanner_finder() const { return scannerFinder_; }
    c_dlg_advancedoptions* advanced_options() const { return advancedOptions_; }
    // The set-up wizard of button `mode` of `rbg_SU_SelectMode` (0, 1, 2), or none.
    c_dlg_setup_wizard* setup_wizard(int mode) const { return mode >= 0 && mode < 3 ? setupWizards_[mode] : nullptr; }

signals:
    void sig_Return();

public slots:
    void on_bn_ScannerFinder_clicked();
    void on_bn_Close_clicked();
    void on_cb_DS_BackMode_currentIndexChanged(int index);
    void on_cb_DS_Mode_currentIndexChanged(int index);
    void on_cb_GS_Scanner_currentIndexChanged(int index);
    void on_cb_PB_Protocol_currentIndexChanged(int index);
    void on_chb_TS_RL_Mode_stateChanged(int state);
    void on_bn_Save_clicked();
    void on_bn_SaveAs_clicked();
    void on_tab_Settings_currentChanged(int index);
    void on_bn_Start_clicked();
    void on_bn_Start_R_clicked();
    void on_bn_Start_L_clicked();
    void on_bn_Teach_clicked();
    void on_bn_Teach_R_clicked();
    void on_bn_Teach_L_clicked();
    void on_bn_Stop_clicked();
    void on_bn_Read_clicked();
    void on_bn_Write_clicked();
    void on_tbwx_FuncTab_clicked();
    // The function table's buttons.
    void on_bn_Change_clicked();
    void on_bn_New_clicked();
    void on_bn_New_RL_clicked();
    void on_bn_Delete_clicked();
    void on_bn_ClearCounters_clicked();
    void on_bn_Clear_clicked();
    void on_bn_ClearX_clicked();
    void on_tbwx_FuncTab_doubleClicked(const QModelIndex& index);
    // Advanced settings and the printout.
    void on_bn_GS_AdvancedSettings_clicked();
    void on_bn_Print_clicked();
    // The PM Tools tab.
    void on_bn_PM_TT_Edit_clicked();
    void on_tbvx_PM_ToolTypes_Custom_doubleClicked(const QModelIndex& index);
    void on_bn_PM_TT_NewFromVendor_clicked();
    void on_bn_PM_TT_NewFromCustom_clicked();
    void on_bn_PM_TT_Delete_clicked();
    void on_bn_PM_Tool_Edit_clicked();
    void on_tbvx_PM_Tools_doubleClicked(const QModelIndex& index);
    void on_bn_PM_Tool_Delete_clicked();
    void on_bn_ExportAllTools_clicked();
    void on_bn_ExportSelectedTools_clicked();
    // The set-up page and the plotter (program_setup.cpp).
    void on_bn_TestScan_clicked();
    void on_bn_SU_Activate_clicked();
    void on_bn_ShowPlotter_clicked();

public:
    // The tool view's own signals, connected by connect_tool_views.
    void on_tbvx_PM_Tools_cb_clicked(int arrIndexP, int columnP, Qt::CheckState stateP);
    void on_tbvx_PM_Tools_fixRow_clicked(int fixRowP, int columnP);
    void on_tbvx_PM_Tools_selectionChanged(int arrIndexP);
    // The tool dialog's sig_closed: the edited tool back into its slot.
    void on_dlg_prgtool_closed();
    // Connected to the groups' sig_rb_clicked by init_widgets, not by name.
    void on_rbg_SetUp_clicked();
    void on_rbg_Fieldbus_clicked();

private:
    // The changed-scanner question: write, do not write, or No (global settings tab shown).
    enum class scanner_answer { write, stop, refused };
    scanner_answer scanner_question();
    // After a write to the controller: the set-up values read back, or the warning.
    bool read_back_setup(const struct program_document& backup);
    void setup_tables();
    // The tool view's check cells, filter row and selection, connected by hand.
    void connect_tool_views();
    // A new custom tool type from the current row of `source`, or an edit of the current
    // custom one, through the tool-type dialog.
    void run_tool_type_dialog(c_qtableview_functab* source, bool isNew);
    void fit_texts();
    // Where the status replies put teach values, output states and the ready flag.
    void install_status_hooks();
    void show_taught_function(uint32_t n);
    // Start frames: false (nothing queued) when no function is selected.
    bool queue_start();
    void queue_start_side(bool left);
    void basic_side_to_function(uint32_t n, bool left, int32_t flags);
    void basic_page_from_image();
    void basic_page_to_image(config_image& dest);
    void show_tools();
    void show_current_tool(int tool);
    void show_scanner(int32_t scanner);
    int32_t scanner_of_window() const;
    uint32_t current_scanner_attribute() const;

    // The wizards, made once, and where the set-up teach values go (program_setup.cpp).
    void create_setup_wizards();
    void show_test_scan(int32_t angle);

    Ui::c_dlgw_program* ui;
    c_dlg_scannerfinder* scannerFinder_ = nullptr;
    c_dlg_advancedoptions* advancedOptions_ = nullptr;
    c_dlg_setup_wizard* setupWizards_[3] = {};
    QWidget* mainWindow_ = nullptr;
    c_dlg_prgtool* toolDialog_ = nullptr;  // a window of its own, deleted with the page
    // Where the main window stood when the tool dialog hid it.
    QPoint mainPos_;
    int32_t keptScanner_ = 0;  // the scanner number while the list shows none
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
// The attribute word of a scanner (0 for a negative number or one with bit 7 set).
uint32_t scanner_attribute(int scanner);
// "Angle  [°]" for an angular scanner with area field 0, else "Length [mm]".
QString scanner_unit_text(int32_t area_field, uint32_t attribute);
// The program window's tool view (the plotter's refresh), or none.
c_qtableview_functab* program_tool_view();
