// The advanced settings dialog: twenty global settings of the working image that have no place
// on the program window's tabs (positions, areas, timing, speeds, teach behaviour, offsets).
// Loaded from the working header before each run, written back into it when closed with Ok
// or when the user keeps the changes.
#pragma once
#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>

#include "core/image/config_image.h"

namespace Ui {
class c_dlg_advancedoptions;
}
class c_my_rbg;
class c_qlineedit_extend;

// The twenty values in the dialog's own terms (button indexes, field values); see
// `advanced_from_header` for how each comes from the header.
using advanced_settings_record = std::array<int32_t, 20>;

// What the dialog shows of a header: button indexes through their maps (preposition speed
// 1, 2, 0, 9 = buttons 0 to 3), the rereference word as it stands, bit 0 of 208, the signed
// low 16 bits of 240 and 284, the other fields as they are.
advanced_settings_record advanced_from_header(const_settings_header h);
// Writes the values of `edited` that differ from `loaded` into the header by the reverse maps;
// the values the user left alone keep their header words whole (unknown codes, the other bits
// of 208, the high halves of 240 and 284).
void advanced_to_header(const advanced_settings_record& loaded, const advanced_settings_record& edited,
                        settings_header h);
// Rereference: the button shown for a header word (2 when bit 0x10 is set, 0 or 1 for those
// low four bits, else -1 = none).
int rereference_button(int32_t word);

class c_dlg_advancedoptions : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_advancedoptions(QWidget* parent = nullptr);
    ~c_dlg_advancedoptions() override;

    Ui::c_dlg_advancedoptions* form() const { return ui; }

    // Enables the widgets for the device variant, fills the form from the working header and
    // clears the Ok flag; the caller then runs the dialog.
    void load();
    bool ok_flag() const { return ok_; }
    // The form's values as the close event reads them.
    advanced_settings_record read_form();
    const advanced_settings_record& loaded() const { return loaded_; }

public slots:
    void on_bn_Close_clicked();
    void on_bn_Cancel_clicked();
    void on_rbg_ScanningMode_clicked();
    void on_ebx_GS_SoftscanIntensity_editingFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void enable_by_variant();
    void show_record(const advanced_settings_record& r);
    // A field's value; its loaded value while its text is the one shown at loading, so that
    // a stored value outside the field's range is not clamped unless the user edits it.
    int32_t field_value(int index, c_qlineedit_extend* field);

    Ui::c_dlg_advancedoptions* ui;
    bool ok_ = false;
    advanced_settings_record loaded_{};
    advanced_settings_record edited_{};
    std::array<QString, 20> shownTexts_;
    int32_t rereferenceLoaded_ = 0;  // the rereference word as loaded
    int rereferenceShown_ = -1;      // the button shown for it
};

// The program window's one advanced settings dialog, or none.
c_dlg_advancedoptions* advanced_options_dialog();
