// The area dialog: object angle and the warning and error limits of a function in mode 4
// ("MonitorObj") or 7 ("MonitorPos"), absolute or relative, with example values and a
// picture. It works on the shared area record, which the function dialog fills and reads.
#pragma once
#include <array>

#include "program_dialogs/c_dlg_element.h"

namespace Ui {
class c_dlg_area;
}

// The four example values shown beside the limits, in the order of l_Abs_2b, l_Abs_1b,
// l_Abs_1a and l_Abs_2a. `object_angle` in hundredths of a degree.
std::array<double, 4> area_example_values(int mode, int relative, int order, int32_t object_angle);

// Length order: the image was made for a length scanner (header field 132 bit 0) and not
// for the linear ZP9LIN one.
bool area_length_order();

class c_dlg_area : public c_dlg_element {
    Q_OBJECT
public:
    explicit c_dlg_area(QWidget* parent = nullptr);
    ~c_dlg_area() override;

    Ui::c_dlg_area* form() const { return ui; }
    // Prepares one opening for mode 4 or 7 from the area record.
    void init_dialog(int mode);

public slots:
    void on_cb_AreaRel_currentIndexChanged(int index);
    void on_ebx_ObjectAngle_editingFinished();

protected:
    bool form_differs() override;
    void take_over() override;

private:
    void show_examples();
    std::array<int32_t, 6> form_values();

    Ui::c_dlg_area* ui;
    int mode_ = 4;
    bool building_ = true;
};

// The one area dialog (made by the function dialog), or none.
c_dlg_area* area_dialog();
