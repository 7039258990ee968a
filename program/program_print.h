// The printout of the program window: the settings as label and value lines, then the function
// table, built as plain text from the widgets as they stand (unsaved edits included) and printed
// in Courier as two jobs.
#pragma once
#include <QString>
#include <cstdint>

namespace Ui {
class c_dlgw_program;
class c_dlg_advancedoptions;
}
class QPrinter;
class QTableWidget;

// What the settings text takes from outside the widgets.
struct print_context {
    QString date;
    QString time;
    bool basic = false;            // a Basic device: fewer sections, the alarm output line
    QString configuration;         // " / Controller" or " / " and the file name
    QString firmware;              // version texts; empty: the dashes line (program from a file)
    QString loader;
    int32_t area_flag = 0;         // header +132: 0 angles, else lengths
    int32_t neg_teach_limit = 0;   // header +272
    int32_t pb_cmd_options = 0;    // header +280
};

// The context of the program shown now (working image, device state, today's date and time).
print_context current_print_context();

QString print_settings_text(const Ui::c_dlgw_program& page, const Ui::c_dlg_advancedoptions& advanced,
                            const print_context& context);
// The header line and one line per table row, in table order.
QString print_function_table_text(const QTableWidget& table);

// Where the table goes when the settings go to the PDF file `name`: the same name with
// "-functions" before ".pdf", so that the second job does not overwrite the first.
QString function_table_file_name(const QString& name);

// Prints the two texts on `printer` (settings in 9-point Courier in the printer's orientation,
// the table in 7-point landscape). To PDF files both are replaced together or not at all:
// false, with the error shown and the old files unchanged, when either cannot be written.
bool print_program_texts(QPrinter& printer, const QString& settings, const QString& table);
