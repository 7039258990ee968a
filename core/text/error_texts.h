// Turning an error_record into its text and showing it: the text of its table, the name of
// the parameter a parameter error is about, the argument, and the box by severity.
#pragma once
#include <QString>
#include <string>

#include "core/protocol/error_record.h"

// Which value a parameter error is about; -1 = none. The range checks and the transfers set
// it, error_record_text names the parameter from it.
struct parameter_error_state {
    int32_t parameter_error_index = -1;     // position in the parameter number table
    int32_t parameter_error_function = -1;  // function number

    void reset();
};
parameter_error_state& g_parameter_error();

// Label numbers of the settings names, by position in the parameter number table (78; an
// entry >= 1000 stands for label 263 followed by label entry - 1000), and of the function
// record fields, by the field number a device error reports (30).
extern const int settings_parameter_name_labels[78];
extern const int function_field_name_labels[30];

// The name of settings parameter `index`, or "NotDefined" outside the table.
std::string settings_parameter_name(long index);
// The name of function field `field`, or "NotDefined" outside the table.
std::string function_field_name(long field);

// The message of an error record, as show_error_record builds it (uses the global
// parameter error position).
std::string error_record_text(const error_record& e);

// With `out` the message is stored there and nothing is shown; otherwise it is shown in a
// box: critical "ERROR" when the code is not 0 and the severity is not 1, else warning
// "WARNING".
void show_error_record(error_record e, std::string* out = nullptr);

// show_error_record of a record made of these values, shown in a box.
void show_error_code(int16_t code, int32_t severity, int16_t type, int16_t argument_kind, int32_t argument);

// The small modeless busy box (through the UI services): shown with its title and text,
// painted at once; hidden again by hide_busy_box.
void show_busy_box(const QString& title, const QString& text);
void hide_busy_box();
