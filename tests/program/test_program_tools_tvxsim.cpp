// The PM Tools tabs of the main window against tvxsim's process-monitor controller with stored
// tool types, tools and records: the lists as Open shows them, a new custom tool type and an
// edited tool saved to the controller and read back, the export of tool and record curves
// with what it asks of the controller, and the one checked tool with a refusing plotter.
#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QComboBox>
#include <QStackedWidget>
#include <QTest>
#include <memory>

#include "app/c_frm_main.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/files/app_dirs.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/link/hid_link.h"
#include "page_common/tool_views.h"
#include "procmon/pm_csv.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/c_dlg_prgtool.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "tests/sim/tvxsim_window.h"
#include "ui_c_dlg_prgtool.h"
#include "ui_c_dlgw_program.h"
#include "ui_c_frm_main.h"
#include "widgets/c_qlineedit_extend.h"
#include "widgets/c_qtableview_functab.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

const QString saved = QStringLiteral("Save Data to Tarvix successfull!");

class tools_tvxsim : public testing_support::tvxsim_window_test {
protected:
    void SetUp() override
    {
        tvxsim_window_test::SetUp();
        if (HasFatalFailure())
            return;
        init_app_dirs(qEnvironmentVariable("TARVIX_APP_DIR"), dir());
        ask("profile premium-pm-tools");
        open_window();
        if (HasFatalFailure())
            return;
        page_ = window_->program_page();
        f = page_->form();
    }
    void TearDown() override
    {
        tvxsim_window_test::TearDown();
        reset_app_dirs_for_tests();
    }
    void reset_pages() override { program_reset_for_tests(); }
    QString dir() const { return QString::fromStdString(tmp_.file("data")); }
    void open_from_controller() { tvxsim_window_test::open_from_controller(script_); }
    // Value-list requests of a kind since a wire-log position.
    size_t list_requests_since(uint64_t seq, uint8_t type)
    {
        size_t n = 0;
        for (const sim::wire_entry& e : sim_->control().wire_log(seq))
            n += e.direction == sim::wire_direction::in && e.frame(2) == type && (e.frame(9) & 0x80);
        return n;
    }
    QString cell(int tool, int column)
    {
        QStringList t;
        f->tbvx_PM_Tools->row_texts(tool, &t);
        return t.value(column);
    }
    void check(int tool)
    {
        f->tbvx_PM_Tools->item_of_array_index(tool, 0)->setCheckState(Qt::Checked);
        page_->on_tbvx_PM_Tools_cb_clicked(tool, 0, Qt::Checked);
    }
    QString file_in(const QString& folder, bool recording, const uint8_t* record) const
    {
        return folder + QLatin1Char('/') + pm_record_file_name(recording, record);
    }
    static size_t samples_in(const QString& path)
    {
        std::vector<int16_t> s;
        bool parametersOk = false;
        pm_read_csv(s, nullptr, parametersOk, path);
        return s.size();
    }

    testing_support::temp_dir tmp_;
    ui_testing::scripted_ui script_;
    c_dlgw_program* page_ = nullptr;
    Ui::c_dlgw_program* f = nullptr;
};

TEST_F(tools_tvxsim, tool_types_and_tools_are_listed_edited_saved_and_read_back)
{
    open_from_controller();
    EXPECT_EQ(f->tbvx_PM_ToolTypes_Vendor->row_ids().size(), 5u);
    EXPECT_EQ(f->tbvx_PM_ToolTypes_Custom->row_ids().size(), 2u);
    EXPECT_EQ(f->tbvx_PM_Tools->row_ids(), std::vector<int>({0, 3, 7}));
    EXPECT_EQ(cell(3, 2), QStringLiteral("Tap M6"));
    EXPECT_EQ(cell(3, 5), QStringLiteral("Drill 10 fine"));
    EXPECT_EQ(cell(3, 6), QStringLiteral("Medium"));
    EXPECT_EQ(cell(3, 7), QStringLiteral("12H"));
    EXPECT_EQ(f->l_AllToolsState->text(), QStringLiteral("3 rows, 3220 cnt"));

    // A copy of vendor type 2 takes the first free custom number.
    f->tbvx_PM_ToolTypes_Vendor->select_array_index(2);
    QString offered, name;
    script_.expect_modal(QStringLiteral("New Tooltype Settings"), [&](QWidget* d) {
        offered = d->findChild<QComboBox*>("cb_PM_TT_Number")->currentText();
        name = d->findChild<QLineEdit*>("eb_PM_TT_Name")->text();
        d->findChild<QPushButton*>("bn_Close")->click();
        return 0;
    });
    f->bn_PM_TT_NewFromVendor->click();
    EXPECT_EQ(offered, QStringLiteral("130"));
    EXPECT_EQ(name, QStringLiteral("Tap_New"));

    // The tool dialog hides the main window until it closes.
    f->tbvx_PM_Tools->select_array_index(3);
    f->bn_PM_Tool_Edit->click();
    c_dlg_prgtool* d = tool_dialog();
    ASSERT_TRUE(d && d->isVisible());
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(d->form()->pn_PM_Tool_Status->text(), QStringLiteral("0012H"));
    d->form()->ebx_PM_Tool_MissingLimit->setText(QStringLiteral("4.56"));
    d->form()->bn_Close->click();
    EXPECT_TRUE(window_->isVisible());

    script_.expect_information(saved);
    f->bn_Save->click();
    ASSERT_TRUE(script_.verify_consumed());

    // Read back from the controller: the new type and the edited tool are there.
    g_images().working = config_image();
    open_from_controller();
    const config_image& img = g_config_image();
    ASSERT_TRUE(img.tool_type(130).in_use());
    EXPECT_EQ(img.tool_type(130).record().text(ttr::name, ttr::name_size), "Tap_New");
    EXPECT_EQ(img.tool(3).record().i16(74), 456);
    EXPECT_EQ(f->tbvx_PM_ToolTypes_Custom->row_ids().size(), 3u);
}

TEST_F(tools_tvxsim, curves_are_exported_once_and_records_come_from_the_second_store)
{
    open_from_controller();
    const QString name = dir() + "/cd_data/listed.cdx";
    const QString folder = dir() + "/cd_data/listed";
    const QString success = QStringLiteral("Exporting files in directory\n %1\n successfull").arg(folder);
    uint64_t seq = sim_->control().log_next_seq();
    script_.expect_save_file(name, QStringLiteral("Export tool data to file ...")).expect_information(success);
    f->bn_ExportAllTools->click();
    ASSERT_TRUE(script_.verify_consumed());
    const config_image& img = g_config_image();
    EXPECT_EQ(samples_in(file_in(folder, false, img.tool(0).record().data())), 120u);
    EXPECT_EQ(samples_in(file_in(folder, false, img.tool(3).record().data())), 500u);
    EXPECT_EQ(samples_in(file_in(folder, false, img.tool(7).record().data())), 2600u);
    EXPECT_EQ(list_requests_since(seq, dp::req_read_record222), 5u + 20u + 100u);

    seq = sim_->control().log_next_seq();
    script_.expect_save_file(name).expect_information(success);
    f->bn_ExportAllTools->click();
    EXPECT_EQ(list_requests_since(seq, dp::req_read_record222), 0u);

    // The records of the process monitor, read into their store, export through 0x2D.
    for (uint16_t n = 0; n < 8; ++n) {
        bool found = false;
        error_record e;
        ASSERT_TRUE(dev_read_record222(true, n, found, g_images().pm_record(n).record().data(), e));
        ASSERT_TRUE(found);
        g_images().pm_record(n).set_in_use(1);
    }
    c_qtableview_functab records;
    const QStringList columns{QString(), QStringLiteral("Name")};
    const quint16 widths[] = {20, 80};
    table_view_options o;
    o.checkColumn = 1;
    records.setup(0, nullptr, &columns, 20, widths,
                  [](int, const void* r) { return le::i32(static_cast<const uint8_t*>(r)) != 0; },
                  [](int, const void*, QStringList* t) { *t << QString() << QStringLiteral("r"); }, 0, &o);
    records.set_array_geometry(g_images().pm_record_store.data(), int(image_layout::pm_record_count),
                               image_layout::tool_slot_size);
    records.refill_rows(0);
    seq = sim_->control().log_next_seq();
    script_.expect_save_file(dir() + "/records.cdx").expect_information(
        QStringLiteral("Exporting files in directory\n %1\n successfull").arg(dir() + "/records"));
    EXPECT_TRUE(export_tools_of_image(page_, tool_source_records, true, &records));
    EXPECT_GT(list_requests_since(seq, dp::req_read_record222_second), 0u);
    EXPECT_EQ(list_requests_since(seq, dp::req_read_record222), 0u);
    EXPECT_EQ(QDir(dir() + "/records").entryList(QDir::Files).size(), 8);
}

TEST_F(tools_tvxsim, one_tool_is_checked_at_a_time_and_a_refusing_plotter_leaves_none)
{
    open_from_controller();
    check(0);
    check(3);
    EXPECT_FALSE(g_program_page().tool_checked[0]);
    EXPECT_TRUE(g_program_page().tool_checked[3]);
    EXPECT_EQ(f->l_SelectedToolsState->text(), QStringLiteral("1 rows, 500 cnt"));

    std::string result;
    ASSERT_TRUE(sim_->control().command("fault error type=0x2C", &result)) << result;
    script_.expect_error(QStringLiteral("Reading curve data from Tarvix failed!!"));
    check(7);
    EXPECT_FALSE(g_program_page().tool_checked[7]);
    EXPECT_FALSE(g_program_page().tool_checked[3]);
    EXPECT_EQ(f->l_SelectedToolsState->text(), QStringLiteral("0 rows, 0 cnt"));
}

}  // namespace
