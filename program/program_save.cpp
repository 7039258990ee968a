// Saving and closing: Save, Save As, the questions before the page is left and the write of
// changed settings when the user comes back to the function settings tab. A save that fails
// or is cancelled while the page stays keeps the user's edits in the image and the widgets.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/image/core_state.h"
#include "core/image/function_rows.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "core/transfer/config_transfer.h"
#include "page_common/c_dlg_plotter.h"
#include "page_common/c_dlg_srcauswahl.h"
#include "procmon/pm_csv.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/program_state.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_program.h"

namespace {

QString label(int n) { return QString::fromLatin1(txt_label(n).c_str()); }

bool images_equal() { return g_config_image() == g_reference_image(); }

bool scanner_changed()
{
    return g_config_image().header().field(hdr::scanner) != g_reference_image().header().field(hdr::scanner);
}

bool fieldbus_changed()
{
    const const_settings_header a = g_config_image().header(), b = g_reference_image().header();
    for (uint32_t off : {uint32_t(hdr::profibus_addr), uint32_t(hdr::devicenet_options), uint32_t(hdr::mac_id),
                         uint32_t(hdr::dn_baudrate), uint32_t(hdr::pb_cmd_options)})
        if (a.field(off) != b.field(off))
            return true;
    return ((a.field(hdr::profibus_options) ^ b.field(hdr::profibus_options)) & 0x0F00) != 0;
}

// The load and write failure marks go; the status panel redraws everything.
void clear_failure_flags()
{
    g_device().change_flags &= ~uint32_t(compat_host_too_old | compat_fw_too_old);
    g_device().status_full_refresh = true;
}

bool write_program(bool full, bool settings_only, const QString& name, const tool_data_context* tools = nullptr)
{
    error_record e;
    return send_configuration_to_device(full, settings_only, tools, name, e);
}

}  // namespace

c_dlgw_program::scanner_answer c_dlgw_program::scanner_question()
{
    const int answer = ask_scanner_correct();
    if (answer == ui::no) {
        ui->tab_Settings->set_current_logical(1);
        return scanner_answer::refused;
    }
    g_transfer().reboot_asked = true;
    return answer == ui::yes ? scanner_answer::write : scanner_answer::stop;
}

void c_dlgw_program::on_bn_Save_clicked()
{
    const program_document& doc = g_program_document();
    if (doc.source == 2 && doc.file_name == QLatin1String("NEWFILE")) {
        on_bn_SaveAs_clicked();
        return;
    }
    window_to_image(g_config_image());
    clear_failure_flags();
    if (images_equal())
        return;
    if (doc.source == 1 && scanner_changed() && scanner_question() != scanner_answer::write)
        return;
    if (write_program(false, false, doc.file_name))
        g_reference_image() = g_config_image();
}

void c_dlgw_program::on_bn_SaveAs_clicked()
{
    config_image& img = g_config_image();
    window_to_image(img);
    g_shell().source_save_mode = true;
    const program_document backup = g_program_document();
    c_dlg_srcauswahl* chooser = g_objects().source_dialog;
    if (!chooser) {
        update_table_buttons();
        return;
    }
    chooser->prepareFileDialog();
    if (ui::current().run_modal(chooser) != QDialog::Accepted || !g_program_document().chosen) {
        g_program_document() = backup;
        update_table_buttons();
        return;
    }
    program_document& doc = g_program_document();
    auto give_up = [&] {
        doc = backup;
        update_table_buttons();
    };
    if (doc.source == 1 && (backup.source == 2 || scanner_changed())) {
        if (scanner_question() != scanner_answer::write) {
            give_up();
            return;
        }
    }
    // Tools whose curve file was not exported beside the new file are not saved; they are
    // freed for the write only and come back when it fails.
    std::vector<uint32_t> dropped;
    if (doc.source == 2 && backup.source == 1 && device_has_pm()) {
        bool folder = false;
        bool present[image_layout::tool_count] = {};
        pm_csv_file_name(doc.file_name, img, folder, present);
        QStringList numbers;
        for (uint32_t n = 0; n < image_layout::tool_count; ++n)
            if (img.tool(n).in_use() && !present[n]) {
                dropped.push_back(n);
                numbers << QString::number(n);
            }
        if (!dropped.empty()) {
            const QString text = QString::fromLatin1(txt_message(85).c_str()).replace(QLatin1String("%s"), numbers.join(QLatin1Char(',')));
            if (ui::current().message(ui::box_kind::warning, ui::title_warning(), text, ui::ok | ui::cancel) != ui::ok) {
                give_up();
                return;
            }
        }
    }
    if (doc.source != 1)
        g_transfer().reference_is_device_state = false;
    std::vector<int32_t> in_use;
    for (uint32_t n : dropped) {
        in_use.push_back(img.tool(n).in_use_flag());
        img.tool(n).set_in_use(0);
    }
    tool_data_context tools{backup.file_name};
    if (!write_program(true, false, doc.file_name, &tools)) {
        for (size_t i = 0; i < dropped.size(); ++i)
            img.tool(dropped[i]).set_in_use(in_use[i]);
        give_up();
        return;
    }
    g_reference_image() = img;
    show_program(nullptr);
    const uint32_t attribute = scanner_attribute(img.header().field(hdr::scanner));
    if (doc.source == 1 && img.header().field(hdr::area_flag) != 0 && !(attribute & 1))
        read_back_setup(backup);
    if (mainWindow_)
        mainWindow_->setWindowTitle(
            QStringLiteral("Tarvix-Config / Settings") +
            QString::fromStdString(connection_title_suffix(doc.source == 1, doc.file_name.toStdString())));
    update_table_buttons();
}

bool c_dlgw_program::read_back_setup(const program_document& backup)
{
    error_record e;
    if (read_setup_values(e, true) && g_setup_values().vertical_distance != 0) {
        const setup_values& s = g_setup_values();
        ui->ebx_VertDistance->setValue(s.vertical_distance);
        ui->ebx_RefAngle90->setValue(s.reference_angle);
        ui->ebx_RefToolLength->setValue(s.reference_length);
        return true;
    }
    if (e.failed()) {
        g_program_document() = backup;
        return false;
    }
    ui::current().message(ui::box_kind::warning, ui::title_warning(), label(207));
    ui->tab_Settings->set_current_logical(9);
    return true;
}

bool c_dlgw_program::ask_save_changes()
{
    window_to_image(g_config_image());
    const int answer = ui::current().message(ui::box_kind::question, ui::title_confirm(), label(250),
                                             ui::yes | ui::no | ui::cancel);
    if (answer == ui::no) {
        g_config_image() = g_reference_image();
        return true;
    }
    if (answer != ui::yes)
        return false;
    g_shell().source_save_mode = true;
    c_dlg_srcauswahl* chooser = g_objects().source_dialog;
    if (!chooser)
        return false;
    chooser->prepareFileDialog();
    QFileDialog* d = chooser->save_dialog();
    d->setDirectory(data_file(QStringLiteral("cd_data")));
    d->setNameFilter(QStringLiteral("TVX Files (*.cdx)"));
    d->setDefaultSuffix(QStringLiteral("cdx"));
    chooser->setWindowTitle(label(154));
    const program_document backup = g_program_document();
    chooser->on_bn_File_clicked();
    if (!g_program_document().chosen) {
        g_program_document() = backup;
        return false;  // the edits stay
    }
    if (!write_program(false, false, g_program_document().file_name)) {
        g_program_document() = backup;
        return false;  // the edits stay
    }
    g_reference_image() = g_config_image();
    return true;
}

bool c_dlgw_program::close_check()
{
    window_to_image(g_config_image());
    const bool changed = !images_equal();
    clear_failure_flags();
    if (changed) {
        const int answer = ui::current().message(ui::box_kind::question, ui::title_confirm(), label(250),
                                                 ui::yes | ui::no | ui::cancel);
        if (answer == ui::yes) {
            const program_document& doc = g_program_document();
            if (doc.source == 1) {
                if (scanner_changed()) {
                    if (scanner_question() != scanner_answer::write)
                        return false;
                } else if (fieldbus_changed()) {
                    g_transfer().reboot_asked = true;
                }
            }
            if (!write_program(false, false, doc.file_name))
                return false;  // the edits stay
            g_reference_image() = g_config_image();
            const config_image& img = g_config_image();
            if (doc.source == 1 && img.header().field(hdr::area_flag) != 0 &&
                !(scanner_attribute(img.header().field(hdr::scanner)) & 1)) {
                error_record e;
                if (!read_setup_values(e, true) || g_setup_values().vertical_distance == 0) {
                    if (e.failed())
                        return false;
                    ui::current().message(ui::box_kind::warning, ui::title_warning(), label(207));
                }
            }
        } else if (answer == ui::no) {
            g_config_image() = g_reference_image();
        } else {
            return false;
        }
    }
    if (c_dlg_plotter* plotter = g_objects().plotter) {
        plotter->hide();
        plotter->reset_plots();
    }
    return true;
}

bool c_dlgw_program::close_request()
{
    const program_document& doc = g_program_document();
    if (doc.source == 2 && doc.file_name == QLatin1String("NEWFILE"))
        return ask_save_changes();
    return close_check();
}

void c_dlgw_program::on_tab_Settings_currentChanged(int)
{
    program_page_state& P = g_program_page();
    const int now = ui->tab_Settings->current_logical_index();
    if (!P.loading && now == 0 && g_program_document().source == 1 && settings_changed()) {
        std::string text;
        compose_message_text(text, 3, 51, 52, 53);
        const int answer = ui::current().message(ui::box_kind::warning, ui::title_warning(),
                                                 QString::fromLatin1(text.c_str()), ui::yes | ui::no | ui::cancel);
        if (answer == ui::yes) {
            window_to_image(g_config_image());
            bool written = false;
            if (!scanner_changed() || scanner_question() == scanner_answer::write) {
                written = write_program(false, true, g_program_document().file_name);
                if (written)
                    std::copy(g_config_image().data(), g_config_image().data() + image_layout::header_reserved_offset,
                              g_reference_image().data());
            }
            // Not written: the edits stay in the image and the window, on the tab they came from.
            if (!written)
                ui->tab_Settings->set_current_logical(P.last_tab);
        } else if (answer == ui::no) {
            ui->tab_Settings->set_current_logical(P.last_tab);
        } else {
            ui->tab_Settings->set_current_logical(P.last_tab);
            image_to_settings();
        }
    }
    P.last_tab = ui->tab_Settings->current_logical_index();
}
