// Small helpers the element dialogs share: label texts by number, the command frame that
// carries a form's record, and number lists that select by the number an item carries.
#pragma once
#include <QString>
#include <QStringList>
#include <QVector>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

#include "core/image/config_image.h"
#include "core/protocol/device_frame.h"

class QComboBox;
class QLineEdit;
class QDialog;
class QWidget;

// A label of the text tables (Latin-1), with every "&" dropped when asked.
QString dialog_label(long n, bool remove_amp = false);

// A start or teach frame of the command mailbox for one record: BB 02 37, the command,
// 0xFFFF in bytes 5-6 and the packed record from byte 7.
device_frame record_command_frame(const_function_record rec, uint8_t command);
// Where the packed flags lie in such a frame.
constexpr size_t command_frame_flags_byte = 24;

// Number lists whose items carry their number as item data.
void combo_add_number(QComboBox* combo, const QString& text, int32_t number);
// Replaces the items by `texts`, item i carrying numbers[i] (long lists: one insertion).
void combo_fill_numbers(QComboBox* combo, const QStringList& texts, const QVector<int32_t>& numbers);
// Selects the item carrying `number`. Without one, an item `text` carrying it is appended
// first, so that a stored value the list does not offer is shown and written back as it was.
void combo_select_number(QComboBox* combo, int32_t number, const QString& text);
// The number of the current item; `none` without a current item.
int32_t combo_number(const QComboBox* combo, int32_t none);

// The fixed lists of the function forms: back modes ("HomePos" .. "Position"), the
// intensities ("Min", "2" .. "7", "Max") and the fifteen output functions.
void fill_back_mode_list(QComboBox* combo);
void fill_intensity_list(QComboBox* combo);
void fill_output_list(QComboBox* combo);
// The label of the back mode "Position", which the monitor modes take out of the list.
QString back_mode_position_text();

// The name field of a record form. A name is read within its field; one the user did not
// edit goes back byte for byte (a name that fills its field has no terminator), an edited or
// proposed one as at most width - 1 Latin-1 characters, a terminator and zeros. A form may
// limit typing to width - 1 characters: while a stored name is longer, the limit is raised to
// its length, so the name is shown whole and an unedited one still compares equal.
class record_name_field {
public:
    // The name stored in the `width` bytes at `field`.
    void show(QLineEdit* edit, const uint8_t* field, size_t width);
    // A name the form proposes (a new record's): stored as text, edited or not.
    void show_proposed(QLineEdit* edit, const QString& name, size_t width);
    void store(const QLineEdit* edit, uint8_t* field) const;

    void show(QLineEdit* edit, const_function_record rec) { show(edit, rec.data() + fr::name, fr::name_size); }
    void store(const QLineEdit* edit, function_record rec) const { store(edit, rec.data() + fr::name); }

private:
    void show_text(QLineEdit* edit, const QString& text);

    QString shown_;
    std::vector<uint8_t> bytes_;  // the stored field; empty for a proposed name
    size_t width_ = 0;
    int limit_ = -1;  // the form's own length limit, taken at the first show
};

// The four output-function lists of a function form, from and into a record.
using output_lists = std::array<QComboBox*, 4>;
void show_outputs(const output_lists& lists, const_function_record rec);
void store_outputs(const output_lists& lists, function_record rec);

// Hides every widget of the list (the widgets a reduced variant does not have).
void hide_all(std::initializer_list<QWidget*> widgets);

// The dialogs' common window: no context-help button, optionally a fixed size.
void prepare_dialog_window(QDialog* dialog, bool fixed_size);

// The program window's settings and Basic page written into an image (its header, on a Basic
// device also records 0-3): the function and cluster dialogs' defaults follow the settings
// shown. The program window installs it while it exists; empty without one.
std::function<void(config_image& dest)>& program_settings_source();

// The function record that Set Default shows: cleared by the settings the program window
// shows now, saved or not (by the working header without a program window).
function_record_bytes default_function_record();
