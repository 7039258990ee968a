// How widgets of the program window follow one another while the user edits: default
// settings, scanner, PROFIBUS protocol, fieldbus page and the Basic page's R/L widgets.
#include "core/device/device_info.h"
#include "core/files/scanner_lists.h"
#include "core/image/core_state.h"
#include "core/protocol/device_protocol.h"
#include "core/text/text_tables.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/program_state.h"
#include "ui_c_dlgw_program.h"

namespace dp = device_protocol;

void c_dlgw_program::on_cb_DS_BackMode_currentIndexChanged(int)
{
    const bool position = ui->cb_DS_BackMode->currentIndex() == 4;
    ui->ebx_DS_BackAngle->setEnabled(position);
    ui->l_DS_BackAngle->setEnabled(position);
}

void c_dlgw_program::on_cb_DS_Mode_currentIndexChanged(int)
{
    const int mode = ui->cb_DS_Mode->currentIndex();
    const bool back = mode == 0 || mode == 1 || mode == 4;
    ui->cb_DS_BackMode->setEnabled(back);
    ui->l_DS_BackMode->setEnabled(back);
    on_cb_DS_BackMode_currentIndexChanged(ui->cb_DS_BackMode->currentIndex());
}

void c_dlgw_program::on_cb_GS_Scanner_currentIndexChanged(int index)
{
    if (index >= 0)
        keptScanner_ = combo_current_data();
    const uint32_t attribute = current_scanner_attribute();
    const program_page_state& P = g_program_page();
    if (!P.finder_writing && !P.loading)
        g_config_image().header().set_field(hdr::setting_300, 0);
    if (index >= 1)
        ui->l_TS_Scanner->setText(ui->cb_GS_Scanner->currentText());
    else if (index == 0)
        ui->l_TS_Scanner->setText(g_scanner_lists().auto_detect_text);
    else
        ui->l_TS_Scanner->setText(QString::fromLatin1(txt_label(144).c_str()));
    const int32_t area = g_config_image().header().field(hdr::area_flag);
    ui->l_ScanUnit->setText(scanner_unit_text(area, attribute));
    if (attribute & 1) {
        ui->rbg_GS_RotDir->setEnabled(false);
        ui->rbg_GS_RotDir->setIndex(1);
    } else {
        ui->rbg_GS_RotDir->setEnabled(true);
    }
    ui->tab_Settings->set_tab_visible(9, g_device().family_flag == 0 && !(attribute & 1) && area != 0);
}

void c_dlgw_program::on_cb_PB_Protocol_currentIndexChanged(int)
{
    const bool user = ui->cb_PB_Protocol->currentIndex() > 0;
    ui->l_PB_UserData->setVisible(user);
    ui->cb_PB_UserData->setVisible(user);
}

void c_dlgw_program::on_rbg_Fieldbus_clicked()
{
    ui->stw_Fieldbus->setCurrentIndex(qBound(0, ui->rbg_Fieldbus->index(), 1));
    const device_info_state& d = g_device_info();
    if (d.valid && d.extended_valid && (d.fieldbus_kind & 0xF) == 4) {
        ui->stw_ProfibusNet_Settings->setCurrentWidget(ui->stwp_Profinet);
        const uint8_t* b = d.extended.data();
        // The name ends at its terminator or at the end of its field.
        const char* name = reinterpret_cast<const char*>(b + dp::extended_station_name);
        const QString station = QString::fromLatin1(name, int(qstrnlen(name, dp::extended_station_name_size)));
        ui->l_PN_NameOfStation->setText(station);
        ui->l_PN_NameOfStation->setToolTip(station);
        auto address = [b](size_t off) {
            const uint32_t v = le::u32(b + off);
            return QString::asprintf("%u.%u.%u.%u", v >> 24, (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
        };
        ui->l_PN_IP_Address->setText(address(dp::extended_ip_address));
        ui->l_PN_SubnetMask->setText(address(dp::extended_subnet_mask));
        ui->l_PN_Gateway->setText(address(dp::extended_gateway));
    } else {
        ui->stw_ProfibusNet_Settings->setCurrentWidget(ui->stwp_Profibus);
    }
}

void c_dlgw_program::on_chb_TS_RL_Mode_stateChanged(int)
{
    const bool rl = ui->chb_TS_RL_Mode->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(ui->pn_TS_BASIC_RL), static_cast<QWidget*>(ui->rbg_BasicInput),
                       static_cast<QWidget*>(ui->bn_Start_R), static_cast<QWidget*>(ui->bn_Start_L),
                       static_cast<QWidget*>(ui->bn_Teach_R), static_cast<QWidget*>(ui->bn_Teach_L),
                       static_cast<QWidget*>(ui->L_R_FuncBasic), static_cast<QWidget*>(ui->L_L_FuncBasic)})
        w->setVisible(rl);
}
