// The cluster dialog: an R/L function of four records from a base divisible by 4 (both
// sides, right, left, a copy of the first) in the program window's edit buffer. Common
// settings, the R and L panels, Start and Teach of the whole cluster or one side.
#pragma once
#include <array>
#include <cstdint>

#include "core/image/config_image.h"
#include "program_dialogs/c_dlg_element.h"
#include "program_dialogs/dialog_support.h"

namespace Ui {
class c_dlg_prgcluster;
}

using cluster_records = std::array<function_record_bytes, 4>;

class c_dlg_prgcluster : public c_dlg_element {
    Q_OBJECT
public:
    explicit c_dlg_prgcluster(QWidget* parent = nullptr);
    ~c_dlg_prgcluster() override;

    Ui::c_dlg_prgcluster* form() const { return ui; }

    // Prepares one opening from the edit buffer. False when a new cluster has no free base
    // left: the user is told, and the dialog must not be run.
    bool init_dialog();

    // Enables Start and Teach for `base` (-1: the base in the list).
    void update_buttons(int32_t base = -1);
    // A teach reply for `side` (0 both, 1 R, 2 L): the side taught gets `first`, the other
    // side `second`; both sides: R first.
    void take_taught_angles(int32_t side, int32_t first, int32_t second);

    cluster_records form_to_cluster();
    void record_to_form(const cluster_records& c);
    int32_t chosen_base() const;

public slots:
    void on_bn_SetDefault_clicked();
    void on_bn_Teach_clicked();
    void on_bn_Start_clicked();
    void on_bn_Teach_R_clicked();
    void on_bn_Start_R_clicked();
    void on_bn_Clear_clicked();
    void on_bn_Teach_L_clicked();
    void on_bn_Start_L_clicked();
    void on_bn_ClearX_clicked();
    void on_cb_TS_Mode_currentIndexChanged(int index);
    void on_cb_TS_BackMode_currentIndexChanged(int index);

protected:
    bool form_differs() override;
    void take_over() override;

private:
    void default_ranges();
    output_lists outputs() const;
    void fill_mode_list();
    void show_back_angle();
    void queue_cluster(uint8_t command);
    void queue_side(int member, uint8_t command);

    Ui::c_dlg_prgcluster* ui;
    bool building_ = true;
    int32_t appliedMode_ = -1;  // kept across openings
    record_name_field name_;
};

// The one cluster dialog (made by the program window), or none.
c_dlg_prgcluster* cluster_dialog();
