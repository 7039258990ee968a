// The function table's buttons: New, New RL, Change (and the double click), Delete and
// Clear Counters, through the function and cluster dialogs and their shared edit buffer;
// the Basic page's two counter Clear buttons. Every change goes into the working image.
#include <QDebug>

#include "core/image/core_state.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/c_dlg_prgcluster.h"
#include "program_dialogs/c_dlg_prgfunction.h"
#include "program_dialogs/element_buffers.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_program.h"

namespace {

bool is_cluster_member(const config_image& img, uint32_t n)
{
    return (img.function(n).field(fr::flags) & fr::flag_cluster) != 0;
}

// The buffer's records back into the image from its index on (one, or four for a cluster).
void copy_back(config_image& img, const cluster_edit_buffer& buffer, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t n = uint32_t(buffer.index) + i;
        if (n >= image_layout::function_count)
            break;
        std::copy(buffer.records[i].begin(), buffer.records[i].end(), img.function(n).data());
    }
}

}  // namespace

void c_dlgw_program::on_bn_Change_clicked()
{
    const int n = ui->tbwx_FuncTab->currentRowIndex();
    if (n < 0 || n >= int(image_layout::function_count)) {
        qDebug("ERROR: Es ist keine Zeile fokussiert");
        return;
    }
    config_image& img = g_config_image();
    cluster_edit_buffer& buffer = g_cluster_edit_buffer();
    const bool cluster = is_cluster_member(img, uint32_t(n));
    const uint32_t count = cluster ? 4 : 1;
    buffer.index = cluster ? (n & ~3) : n;
    for (uint32_t i = 0; i < count; ++i) {
        const const_function_record rec = img.function(uint32_t(buffer.index) + i);
        std::copy(rec.data(), rec.data() + image_layout::function_size, buffer.records[i].begin());
    }
    if (cluster) {
        if (cluster_dialog()->init_dialog())
            cluster_dialog()->run();
    } else if (function_dialog()->showFunction()) {
        function_dialog()->run();
    }
    if (buffer.index != -1) {
        copy_back(img, buffer, count);
        ui->tbwx_FuncTab->updateRows(buffer.index, quint16(count));
    }
    update_table_buttons();
}

void c_dlgw_program::on_tbwx_FuncTab_doubleClicked(const QModelIndex&) { on_bn_Change_clicked(); }

void c_dlgw_program::on_bn_New_clicked()
{
    config_image& img = g_config_image();
    cluster_edit_buffer& buffer = g_cluster_edit_buffer();
    buffer.records[0] = function_record_clear(img.header());
    buffer.index = -1;
    if (!function_dialog()->showFunction())
        return;
    function_dialog()->run();
    if (buffer.index == -1)
        return;
    copy_back(img, buffer, 1);
    ui->tbwx_FuncTab->updateRows(buffer.index, 1);
    update_table_buttons();
}

void c_dlgw_program::on_bn_New_RL_clicked()
{
    config_image& img = g_config_image();
    const bool cluster_at_0 = img.function(0).in_use() && is_cluster_member(img, 0);
    if (!cluster_at_0) {
        bool used = false;
        for (uint32_t n = 0; n < 4; ++n)
            used = used || img.function(n).in_use();
        if (used &&
            ui::current().message(ui::box_kind::warning, ui::title_warning(),
                                  QString::fromLatin1(txt_message(30).c_str()), ui::yes | ui::no) != ui::yes)
            return;
    }
    cluster_edit_buffer& buffer = g_cluster_edit_buffer();
    const function_record_bytes def = function_record_clear(img.header());
    buffer.records = {def, def, def, def};
    buffer.index = -1;
    if (!cluster_dialog()->init_dialog())
        return;
    cluster_dialog()->run();
    if (buffer.index == -1)
        return;
    copy_back(img, buffer, 4);
    ui->tbwx_FuncTab->updateRows(buffer.index, 4);
    update_table_buttons();
    const int base = buffer.index & ~3;
    ui->tbwx_FuncTab->selectRowById(base);
    const bool cluster_ready = g_status().teach_permitted && img.function(0).in_use() && is_cluster_member(img, 0);
    // Teach only for a program that came from the controller, as the table's own rule says.
    ui->bn_Teach->setEnabled(g_program_document().source == 1 && (base == 0 || cluster_ready));
}

void c_dlgw_program::on_bn_Delete_clicked()
{
    const int n = ui->tbwx_FuncTab->currentRowIndex();
    if (n < 0 || n >= int(image_layout::function_count))
        return;
    config_image& img = g_config_image();
    const bool cluster = is_cluster_member(img, uint32_t(n));
    const uint32_t first = cluster ? uint32_t(n) & ~3u : uint32_t(n);
    const uint32_t count = cluster ? 4 : 1;
    // Row by row: a member that is not in use has no row to remove.
    for (uint32_t m = first; m < first + count; ++m) {
        if (ui->tbwx_FuncTab->rowOfId(int(m)) >= 0)
            ui->tbwx_FuncTab->removeCurrentRow(int(m), 1);
        img.function(m).set_in_use(false);
    }
    update_table_buttons();
}

void c_dlgw_program::on_bn_ClearCounters_clicked()
{
    config_image& img = g_config_image();
    for (uint32_t n = 0; n < image_layout::function_count; ++n)
        img.function(n).set_field(fr::counter, 0);
    ui->tbwx_FuncTab->refillRows(qMax(0, ui->tbwx_FuncTab->currentRow()));
}

void c_dlgw_program::on_bn_Clear_clicked() { ui->ebx_TS_Counter->setValue(0); }

void c_dlgw_program::on_bn_ClearX_clicked() { ui->ebx_TS_CounterX->setValue(0); }
