// The program window against the tvxsim server, as a user meets it: a new program saved to
// a file and opened again, a program sent to the controller and read back, the settings
// write on the way back to the function tab, teaching a function and a cluster, leaving
// with changes, and a save that meets an unplugged controller.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/c_frm_main.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/files/program_file.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/text/text_tables.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/c_dlg_advancedoptions.h"
#include "program_dialogs/c_dlg_setup_3tool.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "tests/sim/controller_idle.h"
#include "tests/sim/tvxsim_window.h"
#include "ui_c_dlg_advancedoptions.h"
#include "ui_c_dlg_setup_3tool.h"
#include "ui_c_dlgw_program.h"
#include "ui_c_frm_main.h"
#include "widgets/c_my_rbg.h"
#include "widgets/c_qlineedit_extend.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

const QString save_changes = QStringLiteral("Save changed data set?");

class program_tvxsim : public testing_support::tvxsim_window_test {
protected:
    void SetUp() override
    {
        tvxsim_window_test::SetUp();
        if (HasFatalFailure())
            return;
        init_app_dirs(qEnvironmentVariable("TARVIX_APP_DIR"), QString::fromStdString(tmp.file("data")));
    }
    void TearDown() override
    {
        tvxsim_window_test::TearDown();
        reset_app_dirs_for_tests();
    }
    void reset_pages() override { program_reset_for_tests(); }
    void connect_to(const std::string& profile)
    {
        ask("profile " + profile);
        open_window();
        f = window_->program_page()->form();
    }
    int page() const { return window_->form()->stackedWidget->currentIndex(); }
    // The data source dialog answers with the controller or a file.
    void source_answers(int source, const QString& file = QString())
    {
        script_.expect_modal(QStringLiteral("c_dlg_srcauswahl"), [source, file](QWidget*) {
            g_program_document().source = source;
            g_program_document().file_name = file;
            g_program_document().chosen = 1;
            return int(QDialog::Accepted);
        });
    }
    // Mailbox frames the controller received from `seq` on.
    std::vector<sim::wire_entry> commands_since(uint64_t seq) { return sim_->commands_since(seq); }
    size_t requests_since(uint64_t seq, uint8_t type)
    {
        size_t n = 0;
        for (const sim::wire_entry& e : sim_->control().wire_log(seq))
            n += e.direction == sim::wire_direction::in && e.frame(2) == type;
        return n;
    }
    QString cell(int function, int column) const
    {
        const int row = f->tbwx_FuncTab->rowOfId(function);
        return row < 0 ? QString() : f->tbwx_FuncTab->item(row, column)->text();
    }
    // Opens the program of the controller into the page.
    void open_from_controller()
    {
        source_answers(1);
        window_->on_ac_Open_triggered();
        ASSERT_EQ(page(), int(c_frm_main::page_program));
    }

    testing_support::temp_dir tmp;
    ui_testing::scripted_ui script_;
    Ui::c_dlgw_program* f = nullptr;
};

TEST_F(program_tvxsim, a_new_program_saved_to_a_file_opens_as_it_was_saved)
{
    connect_to("premium");
    script_.expect_choice(QStringLiteral("Please select the Tarvix file type"), QStringLiteral("Premium"))
        .expect_choice(QStringLiteral("Please select the Tarvix measuring system"), QStringLiteral("Degree"));
    window_->on_ac_New_triggered();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    f->ebx_GS_ProfibusAddr->setValue(21);
    f->cb_DS_Out2_Funktion->setCurrentIndex(7);
    const QString name = QString::fromStdString(tmp.file("new.cdx"));
    // Save of a new program runs Save As.
    source_answers(2, name);
    script_.expect_information(QStringLiteral("File save successfull"));
    f->bn_Save->click();
    ASSERT_TRUE(QFile::exists(name));
    const config_image saved = g_config_image();
    EXPECT_TRUE(script_.verify_consumed());
    emit window_->program_page()->sig_Return();
    ASSERT_EQ(page(), int(c_frm_main::page_start));

    source_answers(2, name);
    window_->on_ac_Open_triggered();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_TRUE(g_config_image() == saved);
    EXPECT_EQ(f->ebx_GS_ProfibusAddr->value(), 21);
    EXPECT_EQ(f->cb_DS_Out2_Funktion->currentIndex(), 7);
    EXPECT_TRUE(script_.verify_consumed());
}

TEST_F(program_tvxsim, a_teach_takes_its_own_result_not_a_status_asked_for_before_it)
{
    connect_to("premium");
    open_from_controller();
    config_image& img = g_config_image();
    img.function(5).set_in_use(true);
    f->tbwx_FuncTab->refillRows(0);
    window_->program_page()->update_table_buttons();
    f->tbwx_FuncTab->selectRowById(5);
    ask("teach-next ok 12345");
    uint64_t seq = sim_->control().log_next_seq();
    f->bn_Teach->click();
    ASSERT_TRUE(wait([&] { return g_status().teach_code == teach_none && testing_support::controller_idle(*sim_, seq); }));
    ASSERT_EQ(img.function(5).field(fr::object_pos), 12345);

    // The first teach's result (OK, 123.45) stays in the status until the next cycle. With
    // slow status replies the second Teach is given while one is out: that reply left the
    // controller before the Teach came. An input that changes makes it news to the program.
    ask("teach-next ok 4444");
    ask("fault delay type=0x21 times=100000 ms=300");
    bool given = false;
    for (int input = 1; input <= 8 && !given; ++input) {
        ask("status 28 " + std::to_string(input));
        const uint64_t asked = sim_->control().log_next_seq();
        ASSERT_TRUE(wait([&] {
            for (const sim::wire_entry& e : sim_->control().wire_log(asked))
                if (e.direction == sim::wire_direction::in &&
                    (e.frame(dp::type_offset) & dp::type_kind_mask) == dp::kind_status)
                    return true;
            return false;
        }));
        // Still out and not yet decoded: the moment a user's click may meet.
        given = dev_exchange().status_in_flight && g_status().last_raw[dp::data_offset + 28] != input;
        if (given) {
            seq = sim_->control().log_next_seq();
            f->bn_Teach->click();
        }
    }
    ASSERT_TRUE(given) << "no status reply was ever out when the Teach was given";
    ASSERT_TRUE(wait([&] { return g_status().teach_code == teach_none && testing_support::controller_idle(*sim_, seq); }));
    EXPECT_EQ(img.function(5).field(fr::object_pos), 4444);
    ask("faults-clear");
}

TEST_F(program_tvxsim, settings_go_back_to_the_controller_and_teaching_fills_the_rows)
{
    connect_to("premium");
    // The controller's program: function 5 single, a cluster at 8.
    open_from_controller();
    config_image& img = g_config_image();
    img.function(5).set_in_use(true);
    for (uint32_t n = 8; n < 12; ++n) {
        img.function(n).set_in_use(true);
        img.function(n).set_field(fr::flags, fr::flag_cluster | int32_t((n & 3) << 2));
    }
    f->tbwx_FuncTab->refillRows(0);
    window_->program_page()->update_table_buttons();

    // Teach on 5: one frame; the controller's value shows in the row.
    ask("teach-next ok 12345");
    uint64_t seq = sim_->control().log_next_seq();
    f->tbwx_FuncTab->selectRowById(5);
    f->bn_Teach->click();
    ASSERT_TRUE(wait([&] { return cell(5, 6) == QStringLiteral("123.45"); })) << cell(5, 6).toStdString();
    auto frames = commands_since(seq);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].frame(4), dp::cmd_teach);
    EXPECT_EQ(frames[0].frame(5), 0xFF);
    EXPECT_EQ(frames[0].frame(6), 0xFF);
    EXPECT_EQ(img.function(5).field(fr::object_pos), 12345);

    // Teach on 8 with the ready bit: 8, 9, 10 in that order, both values taken.
    ask("status 42 4");
    ASSERT_TRUE(wait([] { return g_status().teach_permitted; }));
    ask("teach-next ok 2222 3333");
    seq = sim_->control().log_next_seq();
    f->tbwx_FuncTab->selectRowById(8);
    f->bn_Teach->click();
    ASSERT_TRUE(wait([&] { return img.function(9).field(fr::object_pos) == 2222; }));
    EXPECT_EQ(img.function(10).field(fr::object_pos), 3333);
    ASSERT_TRUE(wait([&] { return commands_since(seq).size() >= 3; }));
    frames = commands_since(seq);
    std::vector<int> objects;
    for (const auto& e : frames)
        objects.push_back(e.frame(24) & 0x0C);
    EXPECT_EQ(objects, (std::vector<int>{0, 4, 8}));
    EXPECT_EQ(cell(10, 6), QStringLiteral("33.33"));

    // KO changes nothing.
    ask("teach-next ko");
    f->tbwx_FuncTab->selectRowById(5);
    seq = sim_->control().log_next_seq();
    f->bn_Teach->click();
    ASSERT_TRUE(wait([&] { return testing_support::controller_idle(*sim_, seq); }));
    EXPECT_EQ(g_status().teach_code, teach_none);
    EXPECT_EQ(img.function(5).field(fr::object_pos), 12345);

    // A changed PROFIBUS address, back to the function tab, Yes: settings only.
    f->tab_Settings->set_current_logical(1);
    f->ebx_GS_ProfibusAddr->setValue(88);
    seq = sim_->control().log_next_seq();
    script_.expect_box_containing(ui::box_kind::warning, QStringLiteral("WARNING"),
                                  QStringLiteral("The changed global settings"), ui::yes)
        .expect_information(QStringLiteral("Save Data to Tarvix successfull!"));
    f->tab_Settings->set_current_logical(0);
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(requests_since(seq, 0x04) + requests_since(seq, 0x44), 0u);
    int32_t address = 0;
    ASSERT_TRUE(sim_->control().parameter(35, address));
    EXPECT_EQ(address, 88);
}

TEST_F(program_tvxsim, an_unedited_controller_program_asks_nothing_and_an_edited_one_writes_only_its_changes)
{
    connect_to("premium");  // its hardware configuration (parameter 109) is 0x12
    open_from_controller();
    ASSERT_EQ(g_config_image().header().field(hdr::customer_config), 0x12);
    // Away from the function tab and back, Save, leaving: no question, nothing on the wire.
    uint64_t seq = sim_->control().log_next_seq();
    f->tab_Settings->set_current_logical(1);
    f->tab_Settings->set_current_logical(0);
    f->bn_Save->click();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(requests_since(seq, dp::req_write_parameter), 0u);
    EXPECT_TRUE(commands_since(seq).empty());

    // Two settings changed: Save writes those two parameters (and the cluster word) only.
    f->ebx_GS_ProfibusAddr->setValue(88);
    f->ebx_GS_MacId->setValue(11);
    seq = sim_->control().log_next_seq();
    script_.expect_information(QStringLiteral("Save Data to Tarvix successfull!"));
    f->bn_Save->click();
    EXPECT_TRUE(script_.verify_consumed());
    std::vector<int> written;
    for (const sim::wire_entry& e : sim_->control().wire_log(seq))
        if (e.direction == sim::wire_direction::in && e.frame(2) == dp::req_write_parameter)
            written.push_back(e.frame(dp::parameter_number_offset) | (e.frame(dp::parameter_number_offset + 1) << 8));
    EXPECT_EQ(written, (std::vector<int>{35, 80, 17}));
    int32_t hardware = 0;
    ASSERT_TRUE(sim_->control().parameter(109, hardware));
    EXPECT_EQ(hardware, 0x12);
    emit window_->program_page()->sig_Return();
    EXPECT_EQ(page(), int(c_frm_main::page_start));
    EXPECT_TRUE(script_.verify_consumed());
}

// A controller program out of range names the value in the range box before the host error,
// as opening such a file does, and the program window does not open on it.
TEST_F(program_tvxsim, a_controller_program_out_of_range_shows_its_code_before_the_host_error)
{
    connect_to("premium");
    ask("param 3 9");  // the default mode: 9 is no mode
    source_answers(1);
    script_.expect_box(ui::box_kind::critical, ui::title_error(),
                       QStringLiteral("Host Error: Data is out of range! ErrorCode: 00000002H"))
        .expect_box_containing(ui::box_kind::critical, ui::title_error(),
                               QString::fromLatin1(txt_error(err_type_host, 21)->c_str()));
    window_->on_ac_Open_triggered();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(page(), int(c_frm_main::page_start));
}

TEST_F(program_tvxsim, leaving_with_changes_and_a_save_that_meets_an_unplugged_controller)
{
    connect_to("premium");
    open_from_controller();
    f->ebx_GS_MacId->setValue(11);
    script_.expect_question(save_changes, ui::cancel);
    emit window_->program_page()->sig_Return();
    EXPECT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_EQ(f->ebx_GS_MacId->value(), 11);
    EXPECT_TRUE(script_.verify_consumed());

    // Unplugged during the save: the error, the edit kept; after the replug Save writes it.
    ASSERT_TRUE(sim_->control().unplug());
    script_.expect_box_containing(ui::box_kind::critical, QString(), QString());
    f->bn_Save->click();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(g_config_image().header().field(hdr::mac_id), 11);
    EXPECT_NE(g_reference_image().header().field(hdr::mac_id), 11);
    EXPECT_EQ(f->ebx_GS_MacId->value(), 11);
    ASSERT_TRUE(wait([] { return !g_link().connected; }));
    g_device_info().valid = false;
    ASSERT_TRUE(sim_->control().replug());
    // Connected again once the link has refreshed the device information.
    ASSERT_TRUE(wait([] { return g_link().connected && g_device_info().valid; }));
    script_.expect_information(QStringLiteral("Save Data to Tarvix successfull!"));
    f->bn_Save->click();
    EXPECT_TRUE(script_.verify_consumed());
    int32_t mac = 0;
    ASSERT_TRUE(sim_->control().parameter(80, mac));
    EXPECT_EQ(mac, 11);
    EXPECT_EQ(g_reference_image().header().field(hdr::mac_id), 11);

    ui_testing::scripted_ui leave;
    leave.set_verify_on_destruction(false);
    f->ebx_GS_MacId->setValue(12);
    leave.expect_question(save_changes, ui::no);
    emit window_->program_page()->sig_Return();
    EXPECT_EQ(page(), int(c_frm_main::page_start));
}

TEST_F(program_tvxsim, a_program_file_sent_to_the_controller_reads_back_alike)
{
    connect_to("premium");
    config_image img;
    reset_config_image(img);
    for (uint32_t n = 0; n < 40; ++n) {
        function_record r = img.function(n);
        r.set_in_use(true);
        r.set_name("F" + std::to_string(n));
        r.set_field(fr::object_pos, int32_t(100 * n + 7));
        r.set_field(fr::counter_limit, int32_t(n));
        if (n < 4 || (n >= 8 && n < 12))
            r.set_field(fr::flags, fr::flag_cluster | int32_t((n & 3) << 2));
    }
    img.header().set_field(hdr::profibus_addr, 42);
    img.header().set_field(hdr::def_out1_func, 6);
    const QString name = QString::fromStdString(tmp.file("forty.cdx"));
    {
        QFile out(name);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(encode_program_file(img));
    }
    source_answers(2, name);
    window_->on_ac_Open_triggered();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    ASSERT_EQ(f->tbwx_FuncTab->rowCount(), 40);
    std::vector<QStringList> rows;
    for (int r = 0; r < 40; ++r) {
        QStringList t;
        for (int c = 0; c < f->tbwx_FuncTab->columnCount(); ++c)
            t << f->tbwx_FuncTab->item(r, c)->text();
        rows.push_back(t);
    }

    // Save As to the controller: the scanner question (the source changes), then the write.
    source_answers(1);
    script_.expect_box_containing(ui::box_kind::warning, ui::title_warning(), QStringLiteral("correct?"), ui::yes)
        .expect_information(QStringLiteral("Save Data to Tarvix successfull!"))
        .expect_box_containing(ui::box_kind::question, ui::title_confirm(), QStringLiteral("you should reboot"), ui::no);
    f->bn_SaveAs->click();
    EXPECT_TRUE(script_.verify_consumed());
    ASSERT_EQ(g_program_document().source, 1);
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Tarvix-Config / Settings / Controller"));
    emit window_->program_page()->sig_Return();
    ASSERT_EQ(page(), int(c_frm_main::page_start));

    reset_config_image(g_config_image());
    open_from_controller();
    ASSERT_EQ(f->tbwx_FuncTab->rowCount(), 40);
    for (int r = 0; r < 40; ++r) {
        QStringList t;
        for (int c = 0; c < f->tbwx_FuncTab->columnCount(); ++c)
            t << f->tbwx_FuncTab->item(r, c)->text();
        EXPECT_EQ(t, rows[size_t(r)]) << "row " << r;
    }
    EXPECT_EQ(f->ebx_GS_ProfibusAddr->value(), 42);
    EXPECT_EQ(f->cb_DS_Out1_Funktion->currentIndex(), 6);
}

TEST_F(program_tvxsim, advanced_settings_in_fast_mode_go_to_the_controller_and_read_back_alike)
{
    connect_to("premium");
    open_from_controller();
    function_record wide = g_config_image().function(3);
    wide.set_in_use(true);
    wide.set_field(fr::tolerance, 80);
    f->tbwx_FuncTab->refillRows(0);
    ASSERT_EQ(cell(3, 8), QStringLiteral("0.80"));

    // "Fast" warns and stays; the rows mark the tolerances above 0.50 once the dialog closes.
    script_.expect_modal(QStringLiteral("c_dlg_advancedoptions"), [](QWidget* w) {
        auto* d = static_cast<c_dlg_advancedoptions*>(w);
        d->form()->rbg_ScanningMode->button(2)->click();
        d->form()->rbg_Rescan->button(1)->click();
        d->form()->ebx_GS_ToleranceOffset->setText(QStringLiteral("-0.05"));
        d->form()->bn_Close->click();
        return d->result();
    });
    script_.expect_warning(QStringLiteral("In the mode \"Fast\" all tolerances are limited to 0,5 degrees maximum!"));
    f->bn_GS_AdvancedSettings->click();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(g_config_image().header().field(hdr::scanning_mode), 2);
    EXPECT_EQ(g_config_image().header().field(hdr::tolerance_offset), 0xFFFB);
    EXPECT_EQ(cell(3, 8), QStringLiteral("0.80 !!"));
    const advanced_settings_record edited = advanced_from_header(g_config_image().header());
    std::vector<QStringList> rows;
    for (int r = 0; r < f->tbwx_FuncTab->rowCount(); ++r) {
        QStringList t;
        for (int c = 0; c < f->tbwx_FuncTab->columnCount(); ++c)
            t << f->tbwx_FuncTab->item(r, c)->text();
        rows.push_back(t);
    }

    script_.expect_information(QStringLiteral("Save Data to Tarvix successfull!"));
    f->bn_Save->click();
    EXPECT_TRUE(script_.verify_consumed());
    int32_t mode = 0;
    ASSERT_TRUE(sim_->control().parameter(69, mode));
    EXPECT_EQ(mode, 2);
    emit window_->program_page()->sig_Return();
    ASSERT_EQ(page(), int(c_frm_main::page_start));

    reset_config_image(g_config_image());
    open_from_controller();
    EXPECT_EQ(advanced_from_header(g_config_image().header()), edited);
    ASSERT_EQ(f->tbwx_FuncTab->rowCount(), int(rows.size()));
    for (int r = 0; r < f->tbwx_FuncTab->rowCount(); ++r) {
        QStringList t;
        for (int c = 0; c < f->tbwx_FuncTab->columnCount(); ++c)
            t << f->tbwx_FuncTab->item(r, c)->text();
        EXPECT_EQ(t, rows[size_t(r)]) << "row " << r;
    }
}

TEST_F(program_tvxsim, the_three_tool_wizard_sets_up_the_controller_and_the_test_scan_measures_with_it)
{
    connect_to("premium");
    ask("param 21 1");  // the scanner measures angles: the set-up page is needed
    source_answers(1);
    script_.expect_box_containing(ui::box_kind::warning, ui::title_warning(),
                                  QStringLiteral("Setup Length Parameters not programmed!"));
    window_->on_ac_Open_triggered();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(f->tab_Settings->current_logical_index(), 9);

    // A failed teach first; then three tools of 30, 50 and 80 taught at the angles of a set-up
    // of V 100.00, R 50.00 and a reference angle of -25.00.
    ask("teach-next ko");
    for (const char* angle : {"-1369", "-2500", "-4170"})
        ask(std::string("teach-next ok ") + angle);
    f->rbg_SU_SelectMode->setIndex(2);
    script_.expect_modal(QStringLiteral("c_dlg_setup_3tool"), [this](QWidget* d) {
        Ui::c_dlg_setup_3tool& w = *static_cast<c_dlg_setup_3tool*>(d)->form();
        c_qlineedit_extend* lengths[3] = {w.ebx_ToolLength1, w.ebx_ToolLength2, w.ebx_ToolLength3};
        QPushButton* teach[3] = {w.bn_SU_Teach1, w.bn_SU_Teach2, w.bn_SU_Teach3};
        QLabel* angles[3] = {w.pn_ObjAngle1, w.pn_ObjAngle2, w.pn_ObjAngle3};
        const uint64_t seq = sim_->control().log_next_seq();
        w.bn_SU_Teach1->click();
        EXPECT_TRUE(wait([&] { return testing_support::controller_idle(*sim_, seq); }));
        EXPECT_EQ(g_status().teach_code, teach_none);
        EXPECT_TRUE(angles[0]->text().isEmpty());
        EXPECT_FALSE(w.bn_Calculate->isEnabled());
        const int32_t length[3] = {3000, 5000, 8000};
        for (int i = 0; i < 3; ++i) {
            lengths[i]->setValue(length[i]);
            teach[i]->click();
            EXPECT_TRUE(wait([&] { return !angles[i]->text().isEmpty(); })) << "teach " << i + 1;
        }
        EXPECT_EQ(angles[2]->text(), QStringLiteral("-41.70"));
        EXPECT_TRUE(w.bn_Calculate->isEnabled());
        w.bn_Calculate->click();
        w.bn_Close->click();
        return int(QDialog::Accepted);
    });
    f->bn_SU_Activate->click();
    EXPECT_TRUE(script_.verify_consumed());
    const const_settings_header h = g_config_image().header();
    EXPECT_EQ(h.field(hdr::vert_distance), 10000);
    EXPECT_EQ(h.field(hdr::ref_angle_90), -2500);
    EXPECT_EQ(h.field(hdr::ref_tool_length), 5001);

    script_.expect_information(QStringLiteral("Save Data to Tarvix successfull!"));
    f->bn_Save->click();
    EXPECT_TRUE(script_.verify_consumed());
    emit window_->program_page()->sig_Return();
    ASSERT_EQ(page(), int(c_frm_main::page_start));

    // Read back: the negative reference angle keeps its sign.
    reset_config_image(g_config_image());
    open_from_controller();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(g_config_image().header().field(hdr::ref_angle_90), -2500);
    EXPECT_EQ(g_config_image().header().field(hdr::vert_distance), 10000);
    EXPECT_EQ(g_config_image().header().field(hdr::ref_tool_length), 5001);
    EXPECT_EQ(f->ebx_RefAngle90->text(), QStringLiteral("-25.00"));

    // A test scan 10 degrees past the reference angle: a tool 17.63 shorter than R.
    ASSERT_TRUE(f->bn_TestScan->isEnabled());
    ask("teach-next ok -1500");
    f->bn_TestScan->click();
    ASSERT_TRUE(wait([&] { return f->l_ScanObjAngle->text() == QStringLiteral("-15.00"); }))
        << f->l_ScanObjAngle->text().toStdString();
    EXPECT_EQ(f->l_ScanToolLength->text(), QStringLiteral("32.37"));
}

}  // namespace
