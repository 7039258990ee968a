// The PM Tools tab of the manual page: the tool and record views, the live cycle that draws
// the online curve and fetches each new record or taught tool, and the tab's buttons.
#include "manual/manual_pm_tools.h"

#include <QDebug>
#include <cstring>

#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/files/app_dirs.h"
#include "core/files/file_helpers.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "core/transfer/config_transfer.h"
#include "manual/c_dlgw_manualx.h"
#include "page_common/c_dlg_plotter.h"
#include "page_common/tool_views.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_manualx.h"
#include "widgets/c_plotter_tvx.h"

namespace dp = device_protocol;

void manual_pm_state::reset()
{
    monitor.reset();
    monitor.clear_online();
    tool_ticked.fill(0);
    tool_read_error_shown = false;
}

manual_pm_state& g_manual_pm()
{
    static manual_pm_state s;
    return s;
}

namespace {

// Process-data block: the result of the last cycle.
constexpr size_t cycle_flags = 20;      // bit 1: a start cycle, else a teach cycle
constexpr size_t cycle_tool_name = 26;  // zero-terminated
constexpr size_t cycle_tool_dn = 55;
constexpr size_t cycle_tool_pn = 56;
// The record-count reply (info 37), as bytes of the copied block (reply byte 4 on).
constexpr size_t count_at = 21 - 4;
constexpr size_t words_at = 29 - 4;

QString record_name(const uint8_t* record)
{
    const char* p = reinterpret_cast<const char*>(record + tr::name);
    return QString::fromLatin1(p, int(strnlen(p, tr::name_size)));
}

void clear_pm_cache() { delete_files_in_dir(data_file(QStringLiteral("pm_cache"))); }

c_dlg_plotter* plotter() { return g_objects().plotter; }

}  // namespace

void c_dlgw_manualx::setup_pm_views()
{
    // The columns, filter row and check column of the program window's tool view.
    setup_pm_tool_view(ui->tbvx_PM_Tools, ui->tbvx_Group_PM_Tools);
    setup_pm_tool_view(ui->tbvx_PM_Records, ui->tbvx_Group_PM_Records);
    // The plotter's own "Refresh Plotter" finds the two views in manual mode.
    c_dlg_plotter::set_page_views(wm_manual, [this] {
        return c_dlg_plotter::page_views{ui->tbvx_PM_Tools, ui->tbvx_PM_Records};
    });
    connect(ui->tbvx_PM_Tools, &c_qtableview_functab::sig_fixRow_clicked, this,
            [this](int r, int c) { on_tbvx_PM_Tools_fixRow_clicked(r, c); });
    connect(ui->tbvx_PM_Records, &c_qtableview_functab::sig_fixRow_clicked, this,
            [this](int r, int c) { on_tbvx_PM_Records_fixRow_clicked(r, c); });
    connect(ui->tbvx_PM_Tools, &c_qtableview_functab::sig_cb_clicked, this,
            [this](int r, int c, Qt::CheckState s) { on_tbvx_PM_Tools_cb_clicked(r, c, s); });
    connect(ui->tbvx_PM_Records, &c_qtableview_functab::sig_cb_clicked, this,
            [this](int r, int c, Qt::CheckState s) { on_tbvx_PM_Records_cb_clicked(r, c, s); });
}

void c_dlgw_manualx::show_pm_counts(int source)
{
    tool_selection sel;
    collect_checked_tools(source, source == 0 ? ui->tbvx_PM_Tools : ui->tbvx_PM_Records, &sel);
    (source == 0 ? ui->l_AllToolsState : ui->l_AllRecordsState)
        ->setText(QString::asprintf("%d rows, %lld cnt", int(sel.listed.size()), sel.listedCount));
    (source == 0 ? ui->l_SelectedToolsState : ui->l_SelectedRecordsState)
        ->setText(QString::asprintf("%d rows, %lld cnt", int(sel.checked.size()), sel.checkedCount));
}

void c_dlgw_manualx::pm_enter()
{
    manual_pm_state& S = g_manual_pm();
    S.reset();
    // 1.-4. Both views on their stores, curves detached, counts shown.
    ui->tbvx_PM_Tools->set_array_geometry(g_config_image().tool(0).data(), image_layout::tool_count,
                                          image_layout::tool_slot_size);
    ui->tbvx_PM_Tools->refill_rows(0);
    ui->tbvx_PM_Records->set_array_geometry(g_images().pm_record_store.data(), image_layout::pm_record_count,
                                            image_layout::tool_slot_size);
    ui->tbvx_PM_Records->refill_rows(0);
    // 3.-5. Every curve slot emptied and detached, the online curve on slot 10, automatic
    // ranges with the record-time and maximum-data inputs off.
    if (c_dlg_plotter* p = plotter()) {
        p->reset_plots();
        for (c_plotter_tvx* plot : {p->main_plot(), p->zoom_plot()}) {
            plot->attach_curve(c_dlg_plotter::online_slot, nullptr, p->online_curve(), false);
            plot->redraw_hide_band();
        }
        p->select_auto_mode(false);
    }
    show_pm_counts(0);
    show_pm_counts(1);
    // 6. Curve files of an earlier visit are not reused.
    clear_pm_cache();
    // The record count and its hint.
    error_record e;
    uint8_t block[59] = {};
    QString hint;
    if (dev_wait_idle() && dev_query_info(dp::info_pm_count, block, e)) {
        S.record_count = le::i16(block + count_at);
        S.record_words[0] = le::u32(block + words_at);
        S.record_words[1] = le::u32(block + words_at + 4);
        hint = QStringLiteral("There are %1 records on Tarvix.\nTo load the records, please click the button "
                              "[Load All Records]")
                   .arg(S.record_count);
    } else {
        S.record_count = -1;
        hint = QStringLiteral("To Load the records, please click the button [Load All Records]");
    }
    ui->pn_LoadRecordHeaders_Hint->setText(hint);
    ui->bn_LoadRecordHeaders->setEnabled(true);
    ui->pn_LoadRecordHeaders_Hint->show();
}

void c_dlgw_manualx::pm_cycle()
{
    manual_pm_state& S = g_manual_pm();
    const int32_t period = g_config_image().header().field(hdr::pm_sampling_time);
    pm::ring_block block;
    const pm::ring_block* read = nullptr;
    if (S.monitor.cycle_state != pm::idle) {
        error_record e;
        if (dev_query_info_1b(e)) {
            block = pm::ring_block::parse(g_dev_commands().pm_ring.data());
            read = &block;
        }
    }
    const size_t drawn = S.monitor.online.size();
    const int32_t before = S.monitor.cycle_state;
    const pm::monitor::step step = S.monitor.advance(read, period);
    if (S.monitor.online.size() != drawn || S.monitor.curve_restarted)
        pm_curve_changed(S.monitor.curve_restarted);
    if (step == pm::monitor::step::ended)
        pm_on_cycle_end();
    if (S.monitor.cycle_state != before)
        qDebug("PM_CycleZst = %d", int(S.monitor.cycle_state));
}

void c_dlgw_manualx::pm_curve_changed(bool restarted)
{
    c_dlg_plotter* p = plotter();
    if (!p)
        return;
    const std::vector<int16_t>& online = g_manual_pm().monitor.online;
    QVector<qint16>* curve = p->online_curve();
    if (restarted) {
        curve->clear();
        p->main_plot()->set_visible_curve_mask(0x400);
        p->zoom_plot()->set_visible_curve_mask(0x400);
    }
    // Only the new samples are copied and drawn.
    if (size_t(curve->size()) > online.size())
        curve->clear();
    for (size_t i = size_t(curve->size()); i < online.size(); ++i)
        curve->append(online[i]);
    p->main_plot()->draw_increment(curve->size());
    p->zoom_plot()->draw_increment(curve->size());
}

void c_dlgw_manualx::pm_on_cycle_end()
{
    manual_pm_state& S = g_manual_pm();
    const auto& b = g_dev_commands().process_data;
    error_record e;
    // The result lies in the first process-data piece, which the dispatch reads only every
    // sixth reply: read it now, or the previous cycle's result would decide.
    dev_query_info_typed(0, e);
    if (b[cycle_flags] & 0x02) {
        qDebug("Start detected");
        // A start cycle: its record joins the store. A failed read loses it (Load All Records
        // brings it back); a full store drops it.
        uint8_t record[slot::tool_record_size] = {};
        bool found = false;
        if (!dev_read_record222_8000(found, record, e) || !found)
            return;
        image_state& images = g_images();
        for (uint32_t i = 0; i < image_layout::pm_record_count; ++i) {
            tool_slot s = images.pm_record(i);
            if (s.in_use())
                continue;
            s.set_in_use(1);
            std::memcpy(s.data() + slot::record, record, sizeof record);
            ui->tbvx_PM_Records->set_row(int(i), true);
            ui->tbvx_PM_Records->select_array_index(int(i));
            show_pm_counts(1);
            return;
        }
        return;
    }
    // A teach cycle: the tool table again, the taught tool current, the ticks kept.
    qDebug("Teach Detected");
    if (!read_tool_table_from_device(e)) {
        // A controller gone is shown by the link timer, whose tick this is.
        if (!S.tool_read_error_shown && !dev_controller_gone(e))
            show_error_record(e);
        S.tool_read_error_shown = true;
    } else {
        S.tool_read_error_shown = false;
    }
    ui->tbvx_PM_Tools->refill_rows(0);
    show_pm_counts(0);
    const char* name = reinterpret_cast<const char*>(b.data() + cycle_tool_name);
    const QByteArray taught(name, int(strnlen(name, cycle_tool_dn - cycle_tool_name)));
    const uint16_t dn = b[cycle_tool_dn];
    const uint16_t pn = le::u16(b.data() + cycle_tool_pn);
    for (uint32_t i = 0; i < image_layout::tool_count; ++i) {
        const const_tool_slot s = g_config_image().tool(i);
        const uint8_t* r = s.data() + slot::record;
        if (s.in_use() && record_name(r).toLatin1() == taught && le::u16(r + tr::dn) == dn &&
            le::u16(r + tr::pn) == pn) {
            ui->tbvx_PM_Tools->select_array_index(int(i));
            break;
        }
    }
    for (uint32_t i = 0; i < image_layout::tool_count; ++i) {
        if (!S.tool_ticked[i])
            continue;
        if (QStandardItem* it = ui->tbvx_PM_Tools->item_of_array_index(int(i), 0))
            it->setCheckState(Qt::Checked);
        const int slot = plotter() ? plotter()->tool_slot_of(int(i)) : -1;
        if (slot >= 0)
            ui->tbvx_PM_Tools->set_row_background(int(i), -1, c_dlg_plotter::slot_colour(slot));
    }
    show_pm_counts(0);
}

void c_dlgw_manualx::on_tbvx_PM_Tools_cb_clicked(int row, int column, Qt::CheckState state)
{
    manual_pm_state& S = g_manual_pm();
    c_qtableview_functab* v = ui->tbvx_PM_Tools;
    // One tool at a time.
    auto single = [&](Qt::CheckState st) {
        for (int id : v->row_ids()) {
            if (QStandardItem* it = v->item_of_array_index(id, 0))
                it->setCheckState(id == row ? st : Qt::Unchecked);
            S.tool_ticked[size_t(id)] = id == row && st == Qt::Checked;
        }
    };
    single(state);
    show_pm_counts(0);
    c_dlg_plotter* p = plotter();
    if (p && !p->showCurves(true, p->auto_range(), false, v, nullptr, state == Qt::Unchecked)) {
        if (QStandardItem* it = v->item_of_array_index(row, column))
            it->setCheckState(Qt::Unchecked);
        single(Qt::Unchecked);
        show_pm_counts(0);
    }
}

void c_dlgw_manualx::on_tbvx_PM_Records_cb_clicked(int row, int column, Qt::CheckState state)
{
    show_pm_counts(1);
    c_dlg_plotter* p = plotter();
    if (p && !p->showCurves(true, p->auto_range(), false, nullptr, ui->tbvx_PM_Records, state == Qt::Unchecked)) {
        if (QStandardItem* it = ui->tbvx_PM_Records->item_of_array_index(row, column))
            it->setCheckState(Qt::Unchecked);
        show_pm_counts(1);
    }
}

void c_dlgw_manualx::on_tbvx_PM_Tools_fixRow_clicked(int fixRowP, int columnP)
{
    setup_pm_status_columns(this, ui->tbvx_PM_Tools, fixRowP, columnP);
    show_pm_counts(0);
}

void c_dlgw_manualx::on_tbvx_PM_Records_fixRow_clicked(int fixRowP, int columnP)
{
    setup_pm_status_columns(this, ui->tbvx_PM_Records, fixRowP, columnP);
    show_pm_counts(1);
}

void c_dlgw_manualx::on_bn_ExportAllTools_clicked()
{
    export_tools_of_image(this, tool_source_image, true, ui->tbvx_PM_Tools);
}

void c_dlgw_manualx::on_bn_ExportSelectedTools_clicked()
{
    export_tools_of_image(this, tool_source_image, false, ui->tbvx_PM_Tools);
}

void c_dlgw_manualx::on_bn_ExportAllRecords_clicked()
{
    export_tools_of_image(this, tool_source_records, true, ui->tbvx_PM_Records);
}

void c_dlgw_manualx::on_bn_ExportSelectedRecords_clicked()
{
    export_tools_of_image(this, tool_source_records, false, ui->tbvx_PM_Records);
}

void c_dlgw_manualx::on_bn_ShowPlotter_clicked()
{
    if (c_dlg_plotter* p = plotter())
        p->showCurves(true, p->auto_range(), false, ui->tbvx_PM_Tools, ui->tbvx_PM_Records, false);
}

void c_dlgw_manualx::on_bn_ClearPlotter_clicked()
{
    g_manual_pm().monitor.clear_online();
    if (c_dlg_plotter* p = plotter()) {
        p->main_plot()->set_visible_curve_mask(0x400);
        p->zoom_plot()->set_visible_curve_mask(0x400);
        p->online_curve()->clear();
        p->main_plot()->redraw_hide_band();
        p->zoom_plot()->redraw_hide_band();
    }
}

void c_dlgw_manualx::on_bn_LoadRecordHeaders_clicked()
{
    error_record e;
    if (read_pm_records_from_device(true, e))
        ui->tbvx_PM_Records->refill_rows(0);
    else
        show_error_record(e);
    show_pm_counts(1);
    ui->pn_LoadRecordHeaders_Hint->hide();
}

void c_dlgw_manualx::on_bn_ClearAllRecords_clicked()
{
    if (ui::current().message(ui::box_kind::warning, ui::title_warning(), QString::fromLatin1(txt_message(86).c_str()), ui::ok | ui::cancel) !=
        ui::ok)
        return;
    // A refused clear keeps the store, the views and the cached curves as they are.
    error_record e;
    if (!dev_wait_idle_or_error(e)) {
        show_error_record(e);
        return;
    }
    if (!dev_clear_records(true, dp::clear_all_records, e)) {
        show_error_record(e);
        return;
    }
    for (uint32_t i = 0; i < image_layout::pm_record_count; ++i)
        g_images().pm_record(i).set_in_use(0);
    ui->tbvx_PM_Records->refill_rows(0);
    if (c_dlg_plotter* p = plotter()) {
        p->reset_record_slots();
        p->showCurves(false, false, false, nullptr, ui->tbvx_PM_Records, true);
    }
    show_pm_counts(1);
    clear_pm_cache();
}

void c_dlgw_manualx::on_bn_TestSW_clicked()
{
    dev_wait_idle();
    uint8_t& busy = g_dev_commands().update_in_progress;
    const uint8_t before = busy;
    busy = 1;
    pm_cycle();
    busy = before;
}
