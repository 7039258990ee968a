// New and Open: the open flow that fills the working image from a new program, a program
// file or the controller, and the program page that shows it.
#include <QMenuBar>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QStackedWidget>

#include "app/c_frm_main.h"
#include "core/device/device_info.h"
#include "core/files/program_file.h"
#include "core/files/scanner_lists.h"
#include "core/image/core_state.h"
#include "core/image/working_image.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "core/transfer/config_transfer.h"
#include "page_common/c_dlg_srcauswahl.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "ui_c_frm_main.h"

namespace {

QString label(int n) { return QString::fromLatin1(txt_label(n).c_str()); }

bool rebuild_lists()
{
    error_record e;
    return rebuild_scanner_lists(program_scanner_model(), program_scanner_proxy(), e);
}

}  // namespace

// The new program's file type and, on a Premium controller, its measuring system.
bool c_frm_main::ask_new_program_kind()
{
    config_image& img = g_config_image();
    const int type = ui::current().choose(this, ui::title_confirm(), label(188),
                                          {QStringLiteral("Premium"), QStringLiteral("Basic"), QStringLiteral("&Cancel")}, 2);
    if (type != 0 && type != 1)
        return false;
    img.header().set_field(hdr::variant_bits, type == 1 ? 1 : 0);
    variant_from_image();
    g_device().family_code = family_code_from_flags();
    if (!rebuild_lists())
        return false;
    const device_state& d = g_device();
    settings_header h = img.header();
    if (d.family_flag) {
        for (uint32_t n = 0; n < 4; ++n) {
            const function_record_bytes def = function_record_clear(h);
            std::copy(def.begin(), def.end(), img.function(n).data());
        }
        img.function(2).set_field(fr::teach_limit, -img.function(2).field(fr::teach_limit));
        img.function(0).set_in_use(true);
    } else if (d.variant_bit2) {
        h.set_field(92, 8);
        h.set_field(96, 0);
        h.set_field(hdr::in_func1, 1);
        h.set_field(hdr::in_func3, 6);
        h.set_field(hdr::area_flag, 0);
    } else {
        const int system = ui::current().choose(
            this, ui::title_confirm(), label(206),
            {QStringLiteral("Degree"), QStringLiteral("Length"), QStringLiteral("ZP9LIN"), QStringLiteral("&Cancel")}, 3);
        if (system < 0 || system > 2)
            return false;
        h.set_field(hdr::area_flag, system == 0 ? 0 : 1);
        if (system == 2) {
            h.set_field(hdr::position1, 2500);
            h.set_field(hdr::position2, 10000);
            h.set_field(hdr::def_teach_limit, 10000);
            h.set_field(hdr::def_tolerance, 100);
            h.set_field(hdr::scanner, 7);
            h.set_field(hdr::rot_dir, 1);
            g_program_page().new_program_zp9lin = true;
        } else if (system == 1) {
            h.set_field(hdr::def_teach_limit, 100);
            h.set_field(hdr::def_tolerance, 1000);
        }
    }
    return true;
}

bool c_frm_main::open_program(bool is_new)
{
    transfer_state& t = g_transfer();
    t.unsupported_data = false;
    t.read_from_controller = false;
    t.reference_is_device_state = false;
    g_program_page().new_program_zp9lin = false;
    program_document& doc = g_program_document();
    if (is_new) {
        doc.source = 2;
        doc.file_name = QStringLiteral("NEWFILE");
    } else {
        doc.source = 0;
        doc.file_name.clear();
        g_shell().source_save_mode = false;
        c_dlg_srcauswahl* chooser = g_objects().source_dialog;
        chooser->prepareFileDialog();
        ui::current().run_modal(chooser);
        if (!doc.chosen)
            doc.source = 0;
    }
    error_record e;
    if (doc.source == 2) {
        g_program_file().current_file = doc.file_name;
        if (!load_configuration_file(is_new, e))
            return false;
        if (g_shell().window_mode != wm_program)
            return true;
        if (!is_new) {
            variant_from_image();
            g_device().family_code = family_code_from_flags();
            return rebuild_lists();
        }
        return ask_new_program_kind();
    }
    if (doc.source == 1) {
        if (!read_configuration_from_device(e))
            return false;
        if (g_shell().window_mode == wm_program && !rebuild_lists())
            return false;
        g_link().program_from_device = true;
        // The reference the page takes from this image is the controller's state: a write
        // skips the settings that still equal it.
        t.reference_is_device_state = true;
        return true;
    }
    return false;
}

void c_frm_main::enter_program_page()
{
    menuBar()->hide();
    programPage_->show_program(this);
    ui->stackedWidget->setCurrentIndex(page_program);
}

void c_frm_main::on_ac_New_triggered()
{
    g_shell().window_mode = wm_program;
    if (!open_program(true)) {
        g_shell().window_mode = wm_start;
        return;
    }
    enter_program_page();
}

void c_frm_main::on_ac_Open_triggered()
{
    g_shell().window_mode = wm_program;
    if (!open_program(false)) {
        g_shell().window_mode = wm_start;
        return;
    }
    enter_program_page();
    g_device().change_flags &= ~uint32_t(compat_host_too_old | compat_fw_too_old);
    g_device().status_full_refresh = true;
    g_link().load_incompatible = false;
    g_link().load_failed = false;
}
