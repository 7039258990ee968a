// Numeric fields of the tool-type and tool forms bound to record fields by name: each edit
// gets the range its field can store, so an entry is clamped to what the record keeps instead
// of wrapping around, and the decimals the field is counted in.
#pragma once
#include <cstdint>

#include "core/image/byte_record.h"

class QComboBox;
class c_qlineedit_extend;

// Range and decimals of `edit` from the field's width, sign and unit.
void set_storage_range(c_qlineedit_extend* edit, const field_desc& field);
void field_to_edit(c_qlineedit_extend* edit, const field_desc& field, const_byte_view record);
void edit_to_field(c_qlineedit_extend* edit, const field_desc& field, byte_view record);

// A mode field shown as list index value - 1; a value the list cannot show leaves no item
// selected, and no item selected keeps the stored value.
void mode_to_combo(QComboBox* combo, int value);
int combo_to_mode(const QComboBox* combo, int stored);
