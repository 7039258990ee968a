#include "program_dialogs/c_dlg_area.h"


#include "core/image/core_state.h"
#include "program_dialogs/dialog_support.h"
#include "program_dialogs/element_buffers.h"
#include "program_dialogs/program_state.h"
#include "resources/resources_init.h"
#include "ui_c_dlg_area.h"

namespace {
c_dlg_area* g_area_dialog = nullptr;
}

c_dlg_area* area_dialog() { return g_area_dialog; }

std::array<double, 4> area_example_values(int mode, int relative, int order, int32_t object_angle)
{
    if (relative == 1)
        return {10, 5, 5, 10};
    if (mode != 7)
        return order == 1 ? std::array<double, 4>{70, 80, 120, 130} : std::array<double, 4>{130, 120, 80, 70};
    const double x = object_angle / 100.0;
    if (x >= 30)
        return order == 1 ? std::array<double, 4>{x - 30, x - 20, x + 20, x + 30}
                          : std::array<double, 4>{x + 30, x + 20, x - 20, x - 30};
    // Below 30 degrees the limits before the object shrink with it instead of going negative.
    const double third = double(long(x / 3)), two_thirds = double(long(2 * x / 3));
    return order == 1 ? std::array<double, 4>{third, two_thirds, x + 20, x + 30}
                      : std::array<double, 4>{x + 30, x + 20, two_thirds, third};
}

bool area_length_order()
{
    return (g_config_image().header().field(hdr::area_flag) & 1) != 0 && !g_program_page().new_program_zp9lin;
}

c_dlg_area::c_dlg_area(QWidget* parent) : c_dlg_element(parent), ui(new Ui::c_dlg_area)
{
    g_area_dialog = this;
    tarvix_resources_init();
    ui->setupUi(this);
    prepare_dialog_window(this, false);
    ui->cb_AreaRel->addItems({dialog_label(231), dialog_label(232)});
    ui->ebx_ObjectAngle->setRange(0, 10000, 2);
    for (c_qlineedit_extend* e : {ui->ebx_Area_1a, ui->ebx_Area_1b, ui->ebx_Area_2a, ui->ebx_Area_2b})
        e->setRange(0, 327.67, 2);
    building_ = false;
}

c_dlg_area::~c_dlg_area()
{
    if (g_area_dialog == this)
        g_area_dialog = nullptr;
    delete ui;
}

void c_dlg_area::init_dialog(int mode)
{
    building_ = true;
    mode_ = mode;
    setWindowTitle(dialog_label(mode == 4 ? 228 : 276) + QStringLiteral(" Configuration"));
    area_record& a = g_area_record();
    ui->ebx_Area_1a->setValue(a.v[area_record::warn_min]);
    ui->ebx_Area_1b->setValue(a.v[area_record::warn_max]);
    ui->ebx_Area_2a->setValue(a.v[area_record::err_min]);
    ui->ebx_Area_2b->setValue(a.v[area_record::err_max]);
    ui->ebx_ObjectAngle->setValue(a.v[area_record::object_angle]);
    ui->cb_AreaRel->setCurrentIndex(a.v[area_record::relative] == 1 ? 1 : 0);
    a.v[area_record::order] = area_length_order() ? 1 : 0;
    ui->ebx_ObjectAngle->setVisible(mode != 4);
    ui->l_ObjectAngle->setVisible(mode != 4);
    building_ = false;
    on_cb_AreaRel_currentIndexChanged(ui->cb_AreaRel->currentIndex());
    reset_close_code();
}

void c_dlg_area::on_cb_AreaRel_currentIndexChanged(int index)
{
    if (building_)
        return;
    show_examples();
    const bool first = index == 0 && mode_ == 4;
    ui->image1->setVisible(first);
    ui->image2->setVisible(!first);
}

void c_dlg_area::on_ebx_ObjectAngle_editingFinished() { show_examples(); }

void c_dlg_area::show_examples()
{
    const std::array<double, 4> x = area_example_values(mode_, ui->cb_AreaRel->currentIndex(),
                                                        g_area_record().v[area_record::order], ui->ebx_ObjectAngle->value());
    QLabel* labels[4] = {ui->l_Abs_2b, ui->l_Abs_1b, ui->l_Abs_1a, ui->l_Abs_2a};
    for (int i = 0; i < 4; ++i)
        labels[i]->setText(QString::number(x[size_t(i)], 'g', 6));
}

std::array<int32_t, 6> c_dlg_area::form_values()
{
    return {ui->ebx_ObjectAngle->value(), ui->ebx_Area_1a->value(), ui->ebx_Area_1b->value(),
            ui->ebx_Area_2a->value(),     ui->ebx_Area_2b->value(), ui->cb_AreaRel->currentIndex()};
}

bool c_dlg_area::form_differs()
{
    const std::array<int32_t, 6> form = form_values();
    return !std::equal(form.begin(), form.end(), g_area_record().v.begin());
}

void c_dlg_area::take_over()
{
    const std::array<int32_t, 6> form = form_values();
    std::copy(form.begin(), form.end(), g_area_record().v.begin());
}
