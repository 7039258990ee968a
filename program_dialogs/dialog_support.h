// Small helpers the element dialogs share: label texts by number, the command frame that
// carries a form's record, and number lists that select by the number an item carries.
#pragma once
#include <QString>
#include <QStringList>
#include <QVector>
#include <array>
#include <cstdint>
#include <initializer_list>

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

// The name field of a function form. A name is read within its 16-byte field; one the user
// did not edit goes back byte for byte (a 16-character name has no terminator), an edited
// one as at most 15 Latin-1 characters and a terminator.
class function_name_field {
public:
    void show(QLineEdit* edit, const_function_record rec);
    void store(const QLineEdit* edit, function_record rec) const;

private:
    QString shown_;
    std::array<uint8_t, fr::name_size> bytes_{};
};

// The four output-function lists of a function form, from and into a record.
using output_lists = std::array<QComboBox*, 4>;
void show_outputs(const output_lists& lists, const_function_record rec);
void store_outputs(const output_lists& lists, function_record rec);

// Hides every widget of the list (the widgets a reduced variant does not have).
void hide_all(std::initializer_list<QWidget*> widgets);

// The dialogs' common window: no context-help button, optionally a fixed size.
void prepare_dialog_window(QDialog* dialog, bool fixed_size);
