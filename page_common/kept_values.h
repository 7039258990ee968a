// Lists and radio groups that cannot show every stored value: a value without an item is
// shown with no selection and kept, and written back unchanged unless the user picks an
// item. One mapping for every form of the program window and its dialogs.
#pragma once
#include <cstdint>

class QComboBox;

// Shows `index` when the combo has that item; otherwise no selection, keeping `stored`.
void combo_show_kept(QComboBox* combo, int index, int32_t stored);
// The shown index, or the kept value while no item is selected.
int32_t combo_kept_value(QComboBox* combo, int32_t kept_fallback);
// The kept stored value of a combo without selection (the index otherwise).
bool combo_has_kept(const QComboBox* combo);
// Refills a combo with `items`, restoring its index (clamped to the new list) or the kept
// value; a refilled QComboBox would otherwise jump to its first item.
void combo_refill_keeping(QComboBox* combo, const class QStringList& items);
