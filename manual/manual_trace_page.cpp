// The Trace tab of the manual mode page: start and stop of a trace file, the lines of the
// latched results, and the tab's own function table with its Start button.
#include <QDebug>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>

#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/files/trace_file.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/text/error_texts.h"
#include "core/text/user_seam.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_state.h"
#include "manual/manual_trace.h"
#include "page_common/manual_commands.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_manualx.h"

namespace {
constexpr int16_t host_error_trace_open = 11;
constexpr int16_t host_error_trace_write = 12;
}

void c_dlgw_manualx::setup_trace_table()
{
    static const quint16 widths[] = {60, 50, 150, 150, 50};
    ui->tbwx_Trace->setup_columns(QStringList{QStringLiteral("No"), QStringLiteral("FuncNo"), QStringLiteral("MeasuredPos"),
                                              QStringLiteral("ObjectPos"), QStringLiteral("Status")},
                                  widths);
    ui->tbwx_Trace->verticalHeader()->hide();
}

void c_dlgw_manualx::write_trace_line()
{
    trace_state& T = g_trace_state();
    const trace_line_text line = format_trace_line(T.line_counter, T.entry, g_config_image());
    T.entry.function = line.shown_function;
    c_qtablewidget_seq* table = ui->tbwx_Trace;
    table->append_row(line.cells);
    if (table->rowCount() > T.row_limit) {
        table->removeRow(0);
        table->select_row(-1);
    }
    if (!trace_print_line(line.file_line)) {
        // A full disk or a lost file: the trace ends (before the box, whose event loop
        // would otherwise bring the next result here), and the user is told once.
        on_bn_Trc_StopTrace_clicked();
        show_error_code(host_error_trace_write, 2, 1, 0, 0);
        return;
    }
    ++T.line_counter;
}

void c_dlgw_manualx::trace_if_latched()
{
    trace_state& T = g_trace_state();
    if (T.latched && T.active && ui->tab_ManualX->current_logical_index() == tab_trace) {
        write_trace_line();
        T.latched = false;
    }
}

void c_dlgw_manualx::show_trace_state()
{
    const trace_state& T = g_trace_state();
    ui->l_TraceInfo->setText(T.active ? QStringLiteral("Trace-File: ") + QFileInfo(T.file_name).fileName()
                                      : QStringLiteral("Trace not active!"));
}

void c_dlgw_manualx::on_bn_Trc_StartTrace_clicked()
{
    trace_state& T = g_trace_state();
    // An existing file is continued, not replaced: no "replace?" question for it.
    QString path = ui::current().append_file_name(this, QStringLiteral("Select Tracefile ..."), data_file(QStringLiteral("trace")),
                                                QStringLiteral("TVX Tracefiles (*.trc)"));
    if (!path.isEmpty()) {
        if (QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".trc");
        T.file_name = path;
        int number = 0;
        bool fresh = false;
        close_trace_file();
        if (!open_trace_file(path, number, fresh)) {
            show_error_code(host_error_trace_open, 2, 1, 0, 0);
            T.active = false;
            ui->bn_Trc_StartTrace->setEnabled(true);
            ui->bn_Trc_StopTrace->setEnabled(false);
        } else {
            T.line_counter = number;
            T.active = true;
            // Only results after the start are written.
            const status_state& S = g_status();
            if (S.last_valid)
                trace_take_reference(S.last_reply.data() + device_protocol::data_offset);
            ui->bn_Trc_StartTrace->setEnabled(false);
            ui->bn_Trc_StopTrace->setEnabled(true);
        }
    }
    show_trace_state();
}

void c_dlgw_manualx::on_bn_Trc_StopTrace_clicked()
{
    trace_state& T = g_trace_state();
    T.active = false;
    T.latched = false;
    close_trace_file();
    show_trace_state();
    ui->bn_Trc_StartTrace->setEnabled(true);
    ui->bn_Trc_StopTrace->setEnabled(false);
}

void c_dlgw_manualx::end_trace() { on_bn_Trc_StopTrace_clicked(); }

void c_dlgw_manualx::on_bn_Trc_Start_clicked()
{
    const int row = ui->tbwx_trc_FuncTab->currentRowIndex();
    if (row != -1)
        queue_start_function(row);
}

void c_dlgw_manualx::on_tbwx_trc_FuncTab_itemSelectionChanged()
{
    const bool has_rows = ui->tbwx_trc_FuncTab->rowCount() > 0;
    const int selected = ui->tbwx_trc_FuncTab->currentRowIndex();
    if (sender() && has_rows && selected >= 0)
        update_function_info(uint16_t(selected), true, nullptr, false);
    if (g_program_document().source == 1 && has_rows)
        g_manual_panel().start_function = g_device().family_flag ? 0 : selected;
}

void c_dlgw_manualx::on_tbwx_trc_FuncTab_clicked()
{
    qDebug("trc_FuncTab_clicked");
    on_tbwx_trc_FuncTab_itemSelectionChanged();
    g_manual_panel().functab_clicked = true;
}
