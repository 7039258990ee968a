// The program-wide state of the application shell: the two directories every file name is
// resolved against, the window mode, waiting mode, the data source dialog's answer and the
// long-lived windows that every page reaches. Tests start from a clean slate with
// shell_reset_for_tests().
#pragma once
#include <QString>
#include <cstddef>
#include <cstdint>

class c_frm_main;
class c_dlg_srcauswahl;
class c_dlg_scanparausw;
class c_dlg_plotter;
class c_dlg_progressbar;
class c_dlg_message;
class QPlainTextEdit;
class QProcess;
class c_sndhex;

// Size of the char copies of the directories that C-string file-name building uses.
constexpr std::size_t shell_dir_buffer_size = 576;

// Latin-1 char copies of the two directories (g_app_dirs() holds them as text).
struct shell_directories {
    char app_dir_c[shell_dir_buffer_size] = {};
    char data_dir_c[shell_dir_buffer_size] = {};

    void reset() { *this = shell_directories(); }
};

// Which page the status replies feed; 4 while the scanner page saves a scanner parameter
// file, so that the data source dialog offers *.sp files.
enum window_mode_value : int32_t { wm_start = 1, wm_program = 2, wm_manual = 3, wm_scanner_files = 4 };

struct shell_state {
    int32_t window_mode = wm_start;
    // Waiting mode (a clone file on the command line): 0 off, 1 start, 2 box shown,
    // 3 programming, 10 ending.
    int32_t waiting_state = 0;
    QString clone_file;  // the clone file named on the command line
    // Set by the caller of the data source dialog: true to save a program, false to load one.
    bool source_save_mode = false;

    void reset() { *this = shell_state(); }
};

// What the program page shows and where it came from; the data source dialog leaves its
// answer here for the open flow and the save commands. Copied whole by assignment.
struct program_document {
    int32_t source = 0;  // 0 none, 1 controller, 2 file
    QString file_name;   // current file name ("NEWFILE" for a new program)
    QString second_file_name;
    int32_t chosen = 0;    // 1 when the user chose a source
    int32_t user_set = 0;  // user set number from the dialog's radio group
    QString last_export_path;

    void reset() { *this = program_document(); }
};

// The one main window and the long-lived windows it creates; never deleted while the
// program runs.
struct shell_objects {
    c_frm_main* main_window = nullptr;
    c_dlg_srcauswahl* source_dialog = nullptr;
    c_dlg_scanparausw* scanner_selection = nullptr;
    c_dlg_progressbar* progress_dialog = nullptr;
    c_dlg_plotter* plotter = nullptr;
    c_dlg_message* message_dialog = nullptr;
    QPlainTextEdit* output_pane = nullptr;
    QProcess* spare_process = nullptr;
    c_sndhex* runner = nullptr;  // the downloader runner (flashcli)

    void reset() { *this = shell_objects(); }
};

// The process-wide texts of the update flows.
struct update_state {
    QString profinet_path;  // the PROFINET image last chosen or found

    void reset() { *this = update_state(); }
};
update_state& g_update();

shell_directories& g_dirs();
shell_state& g_shell();
program_document& g_program_document();
shell_objects& g_objects();

void shell_reset_for_tests();
