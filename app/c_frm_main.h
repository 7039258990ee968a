// TarvixStudio's one main window: menus, the status panel, the stack of the start page and
// the four working pages, the long-lived dialogs, the link timer and the close rules.
#pragma once
#include <QElapsedTimer>
#include <QMainWindow>
#include <QStringList>

namespace Ui {
class c_frm_main;
}
class QFile;
class QFileDialog;
class QLabel;
class QPushButton;
class QMessageBox;
class QTimer;
class c_dlgw_program;
class c_dlgw_manualx;
class c_dlgw_scannerfull;
class c_dlgw_procmon;
class c_thrrcv;
class c_my_led;
class c_dlg_systeminfo;
struct device_frame;
struct error_record;
struct version_record;

class c_frm_main : public QMainWindow {
    Q_OBJECT
public:
    // `arguments` is the command line with the program first; a second entry is a clone file
    // that waiting mode programs into the next controller that answers.
    explicit c_frm_main(const QStringList& arguments = QStringList(), QWidget* parent = nullptr);
    ~c_frm_main() override;

    // Stack indexes of the pages.
    enum page_index { page_start = 0, page_program = 1, page_manual = 2, page_scanner = 3, page_procmon = 4 };

    // The link timer starts only when the program may run (after the single-instance guard);
    // stop_link() stops it and ends and joins the receive thread, before the program ends.
    void start_link();
    void stop_link();

    // Shows a working page: hides the menu bar, sets the title and the stack index.
    void enter_page(int index, const QString& title);
    // Leaves the shown page when its leave check allows and shows the start page again.
    void return_to_start();

    // The status panel (status bar), cleared at start-up and at each lost link.
    void clear_status_panel();
    // The status panel's side of one decoded status reply (`forced`: redraw everything).
    void decode_status(const device_frame& frame, bool forced);
    // Sets the online LED from the link state and the blink phase.
    void set_online_led(bool connected);
    // Fills the system information dialog from the controller.
    static void fill_system_info(c_dlg_systeminfo& dialog);

    // One step of waiting mode at the top of a tick; `status_decoded` tells that the
    // controller answered a status request.
    void waiting_mode_step(bool status_decoded);
    QMessageBox* waiting_box() const { return waitingBox_; }

    // Runs one flashcli command line to its end with its output in the pane in place of the
    // start picture; true on success. With `retry` a failure asks whether to run it again,
    // without it nothing is shown and the caller reports the failure.
    bool run_flashcli(const QByteArray& command, bool retry);

    // --- the update flows -----------------------------------------------------------------
    // File choice, name check, confirmation and download of one firmware file; false only
    // when the name check refused the file or flashcli failed. `cancelled` stays true unless
    // the download was started.
    bool select_download_firmware(const QString& ignored, bool& cancelled);
    bool check_firmware_file_name(const QByteArray& base_name);
    // False while the device information is not valid; else (a, b, c) >= (d, e, f).
    bool version_at_least(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint8_t e, uint8_t f) const;
    int ask_warning();
    // Up to 10 s for the controller to answer again after a transfer.
    bool wait_device_progress();
    bool download_clone_firmware(const QString& path);
    // The loader version of a controller that runs only its loader, read through flashcli.
    bool read_loader_version(version_record& loader);
    // The exchange of the firmware loader: the installed file by name, or a clone's image at
    // its offset (with_offset, a full path).
    bool download_fld(const QString& name, bool with_offset);
    // 0 or the host error code; the data place and version of the controller's record.
    int check_logic_file(const QString& name, uint32_t& position, uint32_t& length, uint8_t& major, uint8_t& minor,
                         uint8_t& family);
    bool download_logic(const QString& name, uint32_t position, uint32_t length);
    // The PROFINET image from `path` over the program's own link; 0 on success, else the
    // error code, which has been shown.
    int write_profinet_image(const QString& path);
    // How long wait_device_progress polls, in 100 ms steps (tests shorten it).
    int waitPolls = 100;

    Ui::c_frm_main* form() const { return ui; }
    c_dlgw_program* program_page() const { return programPage_; }
    c_dlgw_manualx* manual_page() const { return manualPage_; }
    c_dlgw_scannerfull* scanner_page() const { return scannerPage_; }
    c_dlgw_procmon* procmon_page() const { return procmonPage_; }
    QTimer* link_timer() const { return linkTimer_; }
    c_thrrcv* receive_thread() const { return receiveThread_; }

    QLabel* l_STB_Message = nullptr;
    QLabel* l_STB_OK = nullptr;
    QLabel* l_STB_KO = nullptr;
    QPushButton* bn_STB_KO_ResetF = nullptr;
    QLabel* l_STB_HomePos = nullptr;
    QLabel* l_STB_Scanning = nullptr;
    QLabel* l_STB_CurPos = nullptr;
    QLabel* l_STB_MeasPos = nullptr;
    QLabel* l_STB_DevVersion = nullptr;
    QLabel* l_STB_HostVersion = nullptr;
    c_my_led* led_STB_Online = nullptr;

signals:
    void sig_CloseRequest();

public slots:
    void on_ac_New_triggered();
    void on_ac_Open_triggered();
    void on_ac_Scanner_triggered();
    void on_ac_ProcessMonitor_triggered();
    void on_ac_Quit_triggered();
    void on_ac_ManualMode_triggered();
    void on_ac_CreateClone_triggered();
    void on_ac_ProgramClone_triggered();
    void on_ac_FactoryDefaults_triggered();
    void on_ac_Reset_triggered();
    void on_ac_Language_triggered();
    void on_ac_Support_triggered();
    void on_ac_Help_triggered();
    void on_ac_FW_Update_triggered();
    void on_ac_TPS_Update_triggered();
    void on_ac_SystemInfo_triggered();
    void on_ac_About_triggered();
    void on_ac_Tests_triggered();
    void on_sndHexOutput();

public:
    // Named like slots but connected explicitly: their senders are made after the form (or are
    // not children of the window), so connecting them by name would find nothing.
    void on_bn_STB_KO_ResetF_clicked();
    void on_Timer_timeout();
    void on_sig_CloseRequest();
    void on_sig_Return();

    // Uploads the controller's flash configuration to tvx_clones/flashconfig.bin with the
    // settings text at the end of the flashcli line; true on success (nothing shown).
    bool upload_flashconfig(const QByteArray& settings);
    // Runs a file dialog through the UI services: the file chosen, empty when cancelled.
    static QString chosen_file(QFileDialog& files);
    // Waits for the link timer's request in flight; one that stays unanswered (a controller
    // that restarts or left) is shown, and the answer is false.
    static bool link_idle_or_said();
    // The reset command with sub-command `sub` as the only queued frame, then await_reset.
    static void send_reset(uint8_t sub);
    // The message that the link timer closes once the controller answers after its reset.
    static void await_reset();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void tick();
    bool open_link();
    void lost_link_step();
    void show_error_between_ticks(const error_record& e);
    void reconnect_step();
    // Status reply before decoding: false when there is nothing new to decode.
    bool preprocess_status(device_frame& frame);
    void enter_loader_state();
    void leave_loader_state();
    void show_compatibility();
    void route_teach(const device_frame& frame);
    void show_device_errors(const device_frame& frame, bool forced);
    void show_positions(const device_frame& frame, bool forced);
    void show_outputs(const device_frame& frame, bool forced);
    void set_ok_ko_colours(const device_frame& frame);
    void manual_page_cycles(const device_frame& frame);
    bool factory_defaults_allowed() const;
    bool profinet_allowed() const;
    void set_link_interval(int ms);
    void build_status_panel();
    void create_long_lived_dialogs();
    void finish_start_up(const QStringList& arguments);
    // The open flow of New and Open: true when a program is in the working image.
    bool open_program(bool is_new);
    bool ask_new_program_kind();
    void enter_program_page();
    // Create Clone's reading of the controller into the new clone file, up to its last part;
    // the first failure leaves its error (and the path of a part not found).
    void create_clone_body(QFile& file, const QString& comment, error_record& e, QString& failed_part);
    // Program Clone from its first question to its end, with the file of the command line in
    // waiting mode.
    void program_clone(bool waiting);
    // The checks and transfers of one clone file into the controller: 0, the host error code
    // to show, or -1 when the refusal has been shown.
    int program_clone_file(const QString& path, bool redesign);

    Ui::c_frm_main* ui;
    c_dlgw_program* programPage_ = nullptr;
    c_dlgw_manualx* manualPage_ = nullptr;
    c_dlgw_scannerfull* scannerPage_ = nullptr;
    c_dlgw_procmon* procmonPage_ = nullptr;
    c_thrrcv* receiveThread_ = nullptr;
    QTimer* linkTimer_ = nullptr;
    QElapsedTimer ledTimer_;
    QMessageBox* waitingBox_ = nullptr;
    bool inTick_ = false;            // a tick runs (its modal boxes run event loops)
};
