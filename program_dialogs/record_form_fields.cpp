#include "program_dialogs/record_form_fields.h"

#include <QComboBox>

#include "widgets/c_qlineedit_extend.h"

void set_storage_range(c_qlineedit_extend* edit, const field_desc& field)
{
    const int decimals = field.decimals;
    if (field.width >= 4) {
        edit->setRange(0, 0, decimals);
        return;
    }
    const int bits = int(field.width) * 8;
    const bool is_signed = field.kind == field_kind::signed_int;
    const double lo = is_signed ? -double(1LL << (bits - 1)) : 0.0;
    const double hi = is_signed ? double((1LL << (bits - 1)) - 1) : double((1LL << bits) - 1);
    double scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    // Nudged inwards by less than one unit: the bound is cut to whole units after scaling, and
    // 327.67 is not exact in binary.
    edit->setRange((lo == 0 ? 0.0 : lo - 0.4) / scale, (hi + 0.4) / scale, decimals);
}

void field_to_edit(c_qlineedit_extend* edit, const field_desc& field, const_byte_view record)
{
    edit->setValue(int(record.get(field)));
}

void edit_to_field(c_qlineedit_extend* edit, const field_desc& field, byte_view record)
{
    record.set(field, edit->value());
}

void mode_to_combo(QComboBox* combo, int value)
{
    combo->setCurrentIndex(value >= 1 && value <= combo->count() ? value - 1 : -1);
}

int combo_to_mode(const QComboBox* combo, int stored)
{
    return combo->currentIndex() >= 0 ? combo->currentIndex() + 1 : stored;
}
