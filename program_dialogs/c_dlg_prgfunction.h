// The function dialog: one monitoring function of the program window's edit buffer, new
// or from the function table. Number, name, mode and every field of the record; Start,
// Teach and Stop on the controller; Set Default; the area dialog of modes 4 and 7.
#pragma once
#include <QString>
#include <cstdint>

#include "core/image/config_image.h"
#include "program_dialogs/c_dlg_element.h"
#include "program_dialogs/dialog_support.h"

namespace Ui {
class c_dlg_prgfunction;
}
class QComboBox;
class c_dlg_area;

class c_dlg_prgfunction : public c_dlg_element {
    Q_OBJECT
public:
    explicit c_dlg_prgfunction(QWidget* parent = nullptr);
    ~c_dlg_prgfunction() override;

    Ui::c_dlg_prgfunction* form() const { return ui; }
    c_dlg_area* area() const { return area_; }

    // Prepares one opening from the edit buffer. False when a new function has no free
    // number left: the user is told, and the dialog must not be run.
    bool showFunction();

    // The record the form shows (the record of a take-over).
    function_record_bytes form_to_record();
    void record_to_form(const_function_record rec);
    // The number chosen in the list, -1 when the list is empty.
    int32_t chosen_number() const;
    // The mode code of the mode list's current item.
    int32_t mode_code() const;

    // From the status replies: a taught object angle; the ready flag changed.
    void take_taught_angle(int32_t value);
    void update_teach_button();

public slots:
    void on_bn_SetDefault_clicked();
    void on_cb_TS_ToolNr_currentTextChanged(const QString& text);
    void on_bn_Teach_clicked();
    void on_bn_Start_clicked();
    void on_bn_Stop_clicked();
    void on_bn_Clear_clicked();
    void on_bn_Area_clicked();
    void on_cb_TS_BackMode_currentIndexChanged(int index);
    void on_cb_TS_Mode_currentIndexChanged(int index);
    void on_ebx_TS_Tolerance_editingFinished();

protected:
    bool form_differs() override;
    void take_over() override;

private:
    void fill_mode_list();
    void fill_function_lists(int32_t current);
    void apply_mode();
    void relabel(int32_t a);
    void set_labels(int32_t a);
    void default_ranges();
    output_lists outputs() const;
    void show_tolerance_colour();
    void exchange_area(bool to_area);
    void queue_record(uint8_t command);

    Ui::c_dlg_prgfunction* ui;
    c_dlg_area* area_ = nullptr;
    bool building_ = true;
    int32_t appliedMode_ = -1;  // the mode code last applied; -1 forces the next
    int32_t currentNumber_ = 0; // the number the form is for
    record_name_field name_;
};

// The one function dialog (made by the program window), or none.
c_dlg_prgfunction* function_dialog();
