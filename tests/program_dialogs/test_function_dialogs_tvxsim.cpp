// The function dialogs end to end: the main window connected to the tvxsim server, a
// program opened from the controller and built through the real dialogs (scripted only
// where a user would type and click), taught, saved and read back.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QStackedWidget>
#include <QTest>
#include <memory>

#include "app/c_frm_main.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/files/app_dirs.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/protocol/device_protocol.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/c_dlg_advancedoptions.h"
#include "program_dialogs/c_dlg_prgcluster.h"
#include "program_dialogs/c_dlg_prgfunction.h"
#include "program_dialogs/element_buffers.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "tests/sim/tvxsim_window.h"
#include "ui_c_dlg_advancedoptions.h"
#include "ui_c_dlg_prgcluster.h"
#include "ui_c_dlg_prgfunction.h"
#include "ui_c_dlgw_program.h"
#include "ui_c_frm_main.h"
#include "widgets/c_my_rbg.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

void choose(QComboBox* list, int number) { list->setCurrentIndex(list->findText(QString::number(number))); }
void pick_mode(QComboBox* list, int code) { list->setCurrentIndex(list->findData(code)); }

class function_dialogs_tvxsim : public testing_support::tvxsim_window_test {
protected:
    void SetUp() override
    {
        tvxsim_window_test::SetUp();
        if (HasFatalFailure())
            return;
        init_app_dirs(qEnvironmentVariable("TARVIX_APP_DIR"), QString::fromStdString(tmp.file("data")));
        ask("profile premium");
        ask("program none");
        open_window();
        if (HasFatalFailure())
            return;
        f = window_->program_page()->form();
    }
    void TearDown() override
    {
        tvxsim_window_test::TearDown();
        reset_app_dirs_for_tests();
    }
    void reset_pages() override
    {
        program_reset_for_tests();
        program_dialogs_reset_for_tests();
    }
    void open_from_controller() { tvxsim_window_test::open_from_controller(script_); }
    // A run of the function or cluster dialog: `fill` plays the user, then Ok.
    template <typename Dialog, typename Form>
    void run(const char* name, std::function<void(Dialog&, Form&)> fill)
    {
        script_.expect_modal(QString::fromLatin1(name), [fill](QWidget* w) {
            auto* d = static_cast<Dialog*>(w);
            fill(*d, *d->form());
            d->form()->bn_Close->click();
            return int(QDialog::Accepted);
        });
    }
    void function_run(std::function<void(c_dlg_prgfunction&, Ui::c_dlg_prgfunction&)> fill)
    {
        run<c_dlg_prgfunction, Ui::c_dlg_prgfunction>("c_dlg_prgfunction", fill);
    }
    void cluster_run(std::function<void(c_dlg_prgcluster&, Ui::c_dlg_prgcluster&)> fill)
    {
        run<c_dlg_prgcluster, Ui::c_dlg_prgcluster>("c_dlg_prgcluster", fill);
    }
    std::vector<QStringList> table_rows() const
    {
        std::vector<QStringList> rows;
        for (int r = 0; r < f->tbwx_FuncTab->rowCount(); ++r) {
            QStringList t;
            for (int c = 0; c < f->tbwx_FuncTab->columnCount(); ++c)
                t << f->tbwx_FuncTab->item(r, c)->text();
            rows.push_back(t);
        }
        return rows;
    }
    // Mailbox frames the controller received from `seq` on.
    std::vector<sim::wire_entry> commands_since(uint64_t seq) { return sim_->commands_since(seq); }

    testing_support::temp_dir tmp;
    ui_testing::scripted_ui script_;
    Ui::c_dlgw_program* f = nullptr;
};

TEST_F(function_dialogs_tvxsim, a_program_built_through_the_dialogs_is_saved_and_read_back)
{
    open_from_controller();
    config_image& img = g_config_image();
    ASSERT_EQ(f->tbwx_FuncTab->rowCount(), 0);

    // New function 0.
    function_run([](c_dlg_prgfunction&, Ui::c_dlg_prgfunction& u) {
        EXPECT_EQ(u.cb_TS_ToolNr->currentText(), QStringLiteral("0"));
        u.eb_TS_ToolName->setText(QStringLiteral("Drill A"));
        pick_mode(u.cb_TS_Mode, 1);
        u.ebx_TS_ObjectAngle->setText(QStringLiteral("12.34"));
    });
    f->bn_New->click();
    EXPECT_EQ(img.function(0).name(), "Drill A");
    EXPECT_EQ(img.function(0).field(fr::mode), 1);
    EXPECT_EQ(img.function(0).field(fr::object_pos), 1234);

    // New RL over it: the warning, Yes, then a cluster at 0 (no process monitoring).
    script_.expect_box_containing(ui::box_kind::warning, ui::title_warning(), QStringLiteral("overwrite"), ui::yes);
    cluster_run([](c_dlg_prgcluster&, Ui::c_dlg_prgcluster& u) {
        EXPECT_EQ(u.cb_TS_ToolNr->currentText(), QStringLiteral("0"));
        EXPECT_FALSE(u.cb_TS_ToolNr->isEnabled());
        u.eb_TS_ToolName->setText(QStringLiteral("Pair"));
    });
    f->bn_New_RL->click();
    const int32_t flags[4] = {2, 6, 10, 14};
    for (uint32_t m = 0; m < 4; ++m)
        EXPECT_EQ(img.function(m).field(fr::flags), flags[m]) << m;
    function_record_bytes m3{};
    std::copy(img.function(3).data(), img.function(3).data() + image_layout::function_size, m3.begin());
    function_record(m3.data()).set_field(fr::flags, 2);
    EXPECT_TRUE(std::equal(m3.begin(), m3.end(), img.function(0).data()));

    // Edit of member 1: the R side.
    f->tbwx_FuncTab->selectRowById(1);
    cluster_run([](c_dlg_prgcluster&, Ui::c_dlg_prgcluster& u) { u.ebx_TS_ObjectAngle->setText(QStringLiteral("55.5")); });
    f->bn_Change->click();
    EXPECT_EQ(img.function(1).field(fr::object_pos), 5550);
    EXPECT_EQ(img.function(2).field(fr::object_pos), img.function(0).field(fr::object_pos));

    // New with 17: Teach sends one frame, the controller's value shows in the dialog.
    ask("teach-next ok 4321");
    uint64_t seq = sim_->control().log_next_seq();
    function_run([&](c_dlg_prgfunction&, Ui::c_dlg_prgfunction& u) {
        choose(u.cb_TS_ToolNr, 17);
        u.eb_TS_ToolName->setText(QStringLiteral("Tap 17"));
        ASSERT_TRUE(u.bn_Teach->isEnabled());
        u.bn_Teach->click();
        EXPECT_EQ(g_status().teach_code, 0x1011);
        EXPECT_TRUE(wait([&] { return u.ebx_TS_ObjectAngle->text() == QStringLiteral("43.21"); }))
            << u.ebx_TS_ObjectAngle->text().toStdString();
    });
    f->bn_New->click();
    const std::vector<sim::wire_entry> teach = commands_since(seq);
    ASSERT_EQ(teach.size(), 1u);
    EXPECT_EQ(teach[0].frame(4), dp::cmd_teach);
    EXPECT_EQ(img.function(17).field(fr::object_pos), 4321);

    // Delete of 17.
    f->tbwx_FuncTab->selectRowById(17);
    f->bn_Delete->click();
    EXPECT_FALSE(img.function(17).in_use());

    // Teach R in the cluster dialog: member 1 alone, its value in the R field.
    ask("teach-next ok 2468 1357");
    seq = sim_->control().log_next_seq();
    f->tbwx_FuncTab->selectRowById(0);
    cluster_run([&](c_dlg_prgcluster&, Ui::c_dlg_prgcluster& u) {
        ASSERT_TRUE(u.bn_Teach_R->isEnabled());
        u.bn_Teach_R->click();
        EXPECT_EQ(command_mailbox().count, 1);
        EXPECT_EQ(g_status().teach_code, 0x4001);
        EXPECT_TRUE(wait([&] { return u.ebx_TS_ObjectAngle->value() == 2468; }));
        EXPECT_EQ(u.ebx_TS_ObjectAngleX->value(), img.function(2).field(fr::object_pos));
    });
    f->bn_Change->click();
    const std::vector<sim::wire_entry> side = commands_since(seq);
    ASSERT_EQ(side.size(), 1u);
    EXPECT_EQ(side[0].frame(24) & 0x0C, 4) << "the right member";
    EXPECT_EQ(img.function(1).field(fr::object_pos), 2468);

    // Advanced settings: "Fast" warns and stays; both dialogs then show their tolerance yellow.
    script_.expect_modal(QStringLiteral("c_dlg_advancedoptions"), [](QWidget* w) {
        auto* d = static_cast<c_dlg_advancedoptions*>(w);
        d->form()->rbg_ScanningMode->button(2)->click();
        d->form()->bn_Close->click();
        return d->result();
    });
    script_.expect_warning(QStringLiteral("In the mode \"Fast\" all tolerances are limited to 0,5 degrees maximum!"));
    f->bn_GS_AdvancedSettings->click();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(img.header().field(hdr::scanning_mode), 2);
    const QString yellow = QStringLiteral("yellow");
    script_.expect_modal(QStringLiteral("c_dlg_prgfunction"), [&](QWidget* w) {
        auto* d = static_cast<c_dlg_prgfunction*>(w);
        EXPECT_TRUE(d->form()->ebx_TS_Tolerance->styleSheet().contains(yellow));
        d->form()->bn_Cancel->click();
        return int(QDialog::Rejected);
    });
    f->bn_New->click();
    cluster_run([&](c_dlg_prgcluster&, Ui::c_dlg_prgcluster& u) {
        EXPECT_TRUE(u.ebx_TS_Tolerance->styleSheet().contains(yellow));
        EXPECT_TRUE(u.ebx_TS_ToleranceX->styleSheet().contains(yellow));
    });
    f->bn_Change->click();
    const advanced_settings_record settings = advanced_from_header(img.header());

    // Save, then open again from the controller: the same rows and settings.
    const std::vector<QStringList> rows = table_rows();
    ASSERT_EQ(rows.size(), 4u);
    script_.expect_information(QStringLiteral("Save Data to Tarvix successfull!"));
    f->bn_Save->click();
    EXPECT_TRUE(script_.verify_consumed());
    emit window_->program_page()->sig_Return();
    reset_config_image(g_config_image());
    open_from_controller();
    EXPECT_EQ(table_rows(), rows);
    EXPECT_EQ(g_config_image().function(1).field(fr::object_pos), 2468);
    EXPECT_EQ(advanced_from_header(g_config_image().header()), settings);
    EXPECT_TRUE(script_.verify_consumed());
}

}  // namespace
