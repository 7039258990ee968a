// The PM Tools tab of the program window against the simulated controller in the test
// process: the one checked tool and a refusing plotter, the tool view's column filter, deleting
// tools and tool types, and the export of tool and record curves into CSV files.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QApplication>
#include <QComboBox>
#include <QDirIterator>
#include <QPushButton>
#include <QFile>
#include <memory>

#include "core/files/app_dirs.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/text/global_tables.h"
#include "page_common/c_dlg_plotter.h"
#include "page_common/tool_views.h"
#include "procmon/pm_csv.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/c_dlg_prgtool.h"
#include "program_dialogs/program_state.h"
#include "program_dialogs/tool_edit_buffers.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "tests/core/device_sim_fixture.h"
#include "ui_c_dlg_prgtool.h"
#include "ui_c_dlg_prgtooltype.h"
#include "ui_c_dlgw_program.h"
#include "widgets/c_my_rbg.h"
#include "widgets/c_qlineedit_extend.h"
#include "widgets/c_qtableview_functab.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

void set_field(basic_byte_view<uint8_t> rec, const char* name, int64_t v)
{
    rec.set(*tool_record_fields().find(name), v);
}

// Tools 0, 3 and 7 with curves of 120, 500 and 2600 samples; tool 3 has status 0x12.
struct tool_fixture {
    int slot;
    const char* name;
    int samples;
    int status;
};
const tool_fixture tools[] = {{0, "Drill 10", 120, 0x08}, {3, "Tap M6", 500, 0x12}, {7, "Reamer", 2600, 0x09}};

class tools_test : public ui_testing::app_first, public device_sim_test {
protected:
    void SetUp() override
    {
        ui_testing::test_app();
        device_sim_test::SetUp();
        shell_reset_for_tests();
        program_reset_for_tests();
        profile("premium-pm");
        dir_ = std::make_unique<testing_support::temp_dir>();
        ASSERT_TRUE(init_app_dirs(dir(), dir()));
        build_global_tables();
        reset_config_image(g_config_image());
        for (const tool_fixture& t : tools)
            add(false, t.slot, t.name, t.samples, t.status);
        add(true, 0, "Record A", 60, 0x08);
        add(true, 1, "Record B", 90, 0x08);
        plotter_ = std::make_unique<c_dlg_plotter>();
        g_objects().plotter = plotter_.get();
        page_ = std::make_unique<c_dlgw_program>();
        f = page_->form();
        g_program_document().source = 1;
        g_device().pm_capable = 1;
        page_->show_program(&main_);
    }
    void TearDown() override
    {
        page_.reset();
        records_.reset();
        g_objects().plotter = nullptr;
        plotter_.reset();
        program_reset_for_tests();
        device_sim_test::TearDown();
        shell_reset_for_tests();
    }
    QString dir() const { return QString::fromStdString(dir_->path()); }
    void add(bool recording, int row, const char* name, int n, int status)
    {
        tool_slot s = recording ? g_images().pm_record(uint32_t(row)) : g_config_image().tool(uint32_t(row));
        s.set_in_use(1);
        auto rec = s.record();
        rec.set_text(*tool_record_fields().find("Name"), name);
        set_field(rec, "MonitoringStatus", status);
        set_field(rec, "Number", row);
        set_field(rec, "DN", row + 1);
        set_field(rec, "PN", 100 + row);
        set_field(rec, "CounterTeach", 10 + row);
        set_field(rec, "DataCnt", n);
        set_field(rec, "DataCRC32", 0x1000 + row);
        std::vector<int16_t> curve;
        for (int i = 0; i < n; ++i)
            curve.push_back(int16_t(i % 500 - row));
        (recording ? world().pm_lists : world().tool_lists)[uint16_t(row)] = curve;
    }
    c_qtableview_functab* records_view()
    {
        if (!records_) {
            records_ = std::make_unique<c_qtableview_functab>();
            const QStringList columns{"", "Name"};
            const quint16 widths[] = {20, 80};
            table_view_options opt;
            opt.checkColumn = 1;
            records_->setup(0, nullptr, &columns, 20, widths,
                            [](int, const void* rec) { return le::i32(static_cast<const uint8_t*>(rec)) != 0; },
                            [](int, const void*, QStringList* texts) { *texts << QString() << QStringLiteral("r"); },
                            0, &opt);
            records_->set_array_geometry(g_images().pm_record_store.data(), 8300, 252);
            records_->refill_rows(0);
        }
        return records_.get();
    }
    // Value-list requests of a kind, optionally only those of one list.
    int list_requests(uint8_t type, int list = -1) const
    {
        int n = 0;
        for (const device_frame& fr : sent)
            n += fr.type() == type && (fr.u32(dp::record222_piece_offset) & dp::value_list_piece_flag) &&
                 (list < 0 || fr.u16(4) == list);
        return n;
    }
    void check(int tool, bool on)
    {
        QStandardItem* it = f->tbvx_PM_Tools->item_of_array_index(tool, 0);
        ASSERT_TRUE(it) << tool;
        it->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        page_->on_tbvx_PM_Tools_cb_clicked(tool, 0, on ? Qt::Checked : Qt::Unchecked);
    }
    bool cell_checked(int tool)
    {
        QStandardItem* it = f->tbvx_PM_Tools->item_of_array_index(tool, 0);
        return it && it->checkState() == Qt::Checked;
    }
    QString file_of(bool recording, int row) const
    {
        const const_tool_slot s = recording ? const_tool_slot(g_images().pm_record(uint32_t(row)))
                                            : const_tool_slot(g_config_image().tool(uint32_t(row)));
        return pm_record_file_name(recording, s.record().data());
    }
    static std::vector<int16_t> samples_of(const QString& path)
    {
        std::vector<int16_t> s;
        bool parametersOk = false;
        pm_read_csv(s, nullptr, parametersOk, path);
        return s;
    }
    QString success_text(const QString& folder) const
    {
        return QStringLiteral("Exporting files in directory\n %1\n successfull").arg(folder);
    }

    QWidget main_;
    std::unique_ptr<testing_support::temp_dir> dir_;
    std::unique_ptr<c_dlg_plotter> plotter_;
    std::unique_ptr<c_dlgw_program> page_;
    std::unique_ptr<c_qtableview_functab> records_;
    Ui::c_dlgw_program* f = nullptr;
};

TEST_F(tools_test, checking_a_tool_unchecks_the_others_and_a_refusing_plotter_leaves_none_checked)
{
    ui_testing::scripted_ui script;
    EXPECT_EQ(f->l_AllToolsState->text(), QStringLiteral("3 rows, 3220 cnt"));
    check(3, true);
    EXPECT_TRUE(g_program_page().tool_checked[3]);
    EXPECT_EQ(f->l_SelectedToolsState->text(), QStringLiteral("1 rows, 500 cnt"));

    check(0, true);
    EXPECT_FALSE(g_program_page().tool_checked[3]);
    EXPECT_FALSE(cell_checked(3));
    EXPECT_TRUE(cell_checked(0));
    EXPECT_EQ(f->l_SelectedToolsState->text(), QStringLiteral("1 rows, 120 cnt"));

    // The plotter cannot read tool 7's curve: it refuses, and no tool stays checked.
    arm("error type=0x2C");
    script.expect_error("Reading curve data from Tarvix failed!!");
    check(7, true);
    for (int n : {0, 3, 7}) {
        EXPECT_FALSE(g_program_page().tool_checked[size_t(n)]) << n;
        EXPECT_FALSE(cell_checked(n)) << n;
    }
    EXPECT_EQ(f->l_SelectedToolsState->text(), QStringLiteral("0 rows, 0 cnt"));
}

TEST_F(tools_test, the_column_filter_needs_its_switch_and_filters_the_status_bits)
{
    ui_testing::scripted_ui script;
    script.expect_information("You should enable filtering by marking the checkbox in column 0");
    page_->on_tbvx_PM_Tools_fixRow_clicked(0, 7);
    ASSERT_TRUE(script.verify_consumed());

    f->tbvx_PM_Tools->model_item(0, 0)->setCheckState(Qt::Checked);
    page_->on_tbvx_PM_Tools_fixRow_clicked(0, 0);
    EXPECT_TRUE(f->tbvx_PM_Tools->filter_on());

    QStringList names;
    script.expect_modal("Filter Stat Column 7", [&](QWidget* d) {
        for (int i = 0; i < 8; ++i)
            names << d->findChild<QCheckBox*>(QStringLiteral("chb_Flt%1").arg(i))->text();
        d->findChild<c_my_rbg*>("rbg_ColumnFilter")->button(1)->click();
        d->findChild<QCheckBox*>("chb_Flt1")->setChecked(true);
        d->findChild<QCheckBox*>("chb_Flt4")->setChecked(true);
        d->findChild<QPushButton*>("bn_Close")->click();
        return 0;
    });
    page_->on_tbvx_PM_Tools_fixRow_clicked(0, 7);
    EXPECT_EQ(names, QStringList({"B0 Ready", "B1 Scanning", "B2 KO", "B3 OK", "B4 Break", "B5 Blunt",
                                  "B6 Missing", "B7 Contact"}));
    QVector<int> shown;
    f->tbvx_PM_Tools->visible_array_indices(&shown);
    EXPECT_EQ(shown, QVector<int>({3}));
    EXPECT_EQ(f->l_AllToolsState->text(), QStringLiteral("1 rows, 500 cnt"));
    EXPECT_EQ(f->tbvx_PM_Tools->model_item(0, 7)->text(), QStringLiteral("12H"));

    // The text columns offer the distinct texts of the listed rows.
    QStringList offered;
    script.expect_modal("Filter Name Column 2", [&](QWidget* d) {
        QComboBox* c = d->findChild<QComboBox*>("chb_String");
        for (int i = 0; i < c->count(); ++i)
            offered << c->itemText(i);
        d->findChild<QPushButton*>("bn_Cancel")->click();
        return 0;
    });
    page_->on_tbvx_PM_Tools_fixRow_clicked(0, 2);
    EXPECT_EQ(offered, QStringList({"Tap M6"}));

    // Filtering switched off lists every tool again.
    f->tbvx_PM_Tools->model_item(0, 0)->setCheckState(Qt::Unchecked);
    page_->on_tbvx_PM_Tools_fixRow_clicked(0, 0);
    EXPECT_EQ(f->l_AllToolsState->text(), QStringLiteral("3 rows, 3220 cnt"));
}

TEST_F(tools_test, deleting_a_tool_or_a_custom_tool_type_asks_nothing_and_keeps_the_tools_of_the_type)
{
    config_image& img = g_config_image();
    tool_type_slot t = img.tool_type(130);
    t.set_in_use(1);
    t.record().set_text(*tool_type_record_fields().find("Name"), "Custom 130");
    set_field(img.tool(0).record(), "ToolType", 130);
    page_->show_program(&main_);
    ui_testing::scripted_ui script;

    f->tbvx_PM_ToolTypes_Custom->select_array_index(130);
    page_->on_bn_PM_TT_Delete_clicked();
    EXPECT_FALSE(img.tool_type(130).in_use());
    EXPECT_TRUE(f->tbvx_PM_ToolTypes_Custom->row_ids().empty());
    EXPECT_TRUE(img.tool(0).in_use());
    QStringList cells;
    f->tbvx_PM_Tools->row_texts(0, &cells);
    EXPECT_EQ(cells.value(5), QStringLiteral("Custom 130"));

    f->tbvx_PM_Tools->select_array_index(3);
    page_->on_bn_PM_Tool_Delete_clicked();
    EXPECT_FALSE(img.tool(3).in_use());
    EXPECT_EQ(f->tbvx_PM_Tools->row_ids(), std::vector<int>({0, 7}));
    EXPECT_EQ(f->l_AllToolsState->text(), QStringLiteral("2 rows, 2720 cnt"));
}

TEST_F(tools_test, a_new_tool_type_from_a_vendor_type_goes_into_the_chosen_custom_slot)
{
    config_image& img = g_config_image();
    for (int n : {1, 2, 3, 4, 5, 128, 129}) {
        tool_type_slot t = img.tool_type(uint32_t(n));
        t.set_in_use(1);
        t.record().set_text(*tool_type_record_fields().find("Name"), "Type " + std::to_string(n));
    }
    page_->show_program(&main_);
    ui_testing::scripted_ui script;

    // No current vendor row: nothing happens.
    f->tbvx_PM_ToolTypes_Vendor->setCurrentIndex(QModelIndex());
    page_->on_bn_PM_TT_NewFromVendor_clicked();

    f->tbvx_PM_ToolTypes_Vendor->select_array_index(2);
    script.expect_modal("c_dlg_prgtooltype", [](QWidget* d) {
        d->findChild<QPushButton*>("bn_Cancel")->click();
        return 0;
    });
    page_->on_bn_PM_TT_NewFromVendor_clicked();
    EXPECT_FALSE(img.tool_type(130).in_use());
    EXPECT_EQ(tool_type_edit_buffer().index, -1);

    QString offered, name;
    script.expect_modal("New Tooltype Settings", [&](QWidget* d) {
        offered = d->findChild<QComboBox*>("cb_PM_TT_Number")->currentText();
        name = d->findChild<QLineEdit*>("eb_PM_TT_Name")->text();
        d->findChild<QPushButton*>("bn_Close")->click();
        return 0;
    });
    page_->on_bn_PM_TT_NewFromVendor_clicked();
    EXPECT_EQ(offered, QStringLiteral("130"));
    EXPECT_EQ(name, QStringLiteral("Type 2_New"));
    ASSERT_TRUE(img.tool_type(130).in_use());
    EXPECT_EQ(img.tool_type(130).record().text(ttr::name, ttr::name_size), "Type 2_New");
    EXPECT_EQ(img.tool_type(130).record().i16(ttr::number), 130);
    EXPECT_EQ(f->tbvx_PM_ToolTypes_Custom->row_ids(), std::vector<int>({0, 1, 2}));

    // An edited type's new name reaches the shown tools of that type.
    set_field(img.tool(7).record(), "ToolType", 130);
    f->tbvx_PM_Tools->set_row(7, false);
    f->tab_Settings->set_current_logical(6);
    page_->show();
    QApplication::processEvents();
    f->tbvx_PM_Tools->select_array_index(0);
    f->tbvx_PM_ToolTypes_Custom->select_array_index(130);
    script.expect_modal("Edit Tooltype Settings", [&](QWidget* d) {
        d->findChild<QLineEdit*>("eb_PM_TT_Name")->setText(QStringLiteral("Renamed"));
        d->findChild<QPushButton*>("bn_Close")->click();
        return 0;
    });
    page_->on_bn_PM_TT_Edit_clicked();
    QStandardItem* shown = f->tbvx_PM_Tools->item_of_array_index(7, 5);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->text(), QStringLiteral("Renamed"));
    EXPECT_EQ(f->tbvx_PM_Tools->current_array_index(), 0);
    EXPECT_EQ(f->tbvx_PM_Tools->row_ids(), std::vector<int>({0, 3, 7}));
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(tools_test, editing_a_tool_hides_the_main_window_until_the_dialog_gives_the_tool_back)
{
    set_field(g_config_image().tool(3).record(), "ToolType", 128);
    g_config_image().tool_type(128).set_in_use(1);
    main_.setGeometry(140, 110, 900, 640);
    main_.show();
    const QRect where = main_.geometry();
    page_->show_program(&main_);
    ui_testing::scripted_ui script;
    f->tbvx_PM_Tools->select_array_index(3);
    page_->on_bn_PM_Tool_Edit_clicked();
    // A window of its own, not a child of the page that is hidden with the main window.
    c_dlg_prgtool* d = tool_dialog();
    ASSERT_TRUE(d);
    EXPECT_EQ(d->parent(), nullptr);
    EXPECT_TRUE(d->isVisible());
    EXPECT_FALSE(main_.isVisible());
    // The tool is checked and its curve is in the plotter.
    EXPECT_TRUE(g_program_page().tool_checked[3]);
    EXPECT_EQ(plotter_->slot_samples(plotter_->tool_slot_of(3)).size(), 500);
    EXPECT_EQ(d->form()->pn_PM_Tool_Status->text(), QStringLiteral("0012H"));

    d->form()->ebx_PM_Tool_MissingLimit->setText(QStringLiteral("1.23"));
    d->form()->bn_Close->click();
    EXPECT_TRUE(main_.isVisible());
    EXPECT_EQ(main_.geometry(), where);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(g_config_image().tool(3).record().i16(74), 123);
    // The edited tool is the current one, its tool type shown in the strip.
    EXPECT_EQ(le::i16(g_program_page().current_tool.data() + 74), 123);
    EXPECT_EQ(f->stw_PM_Tool_TT->currentWidget(), f->stwp_PM_Tool_TT_Normal);
    EXPECT_EQ(f->tbvx_PM_Tools_TT->current_array_index(), 128);

    // A buffer without a tool slot takes nothing back.
    const config_image before = g_config_image();
    tool_edit_buffer().index = -1;
    tool_edit_buffer().record.fill(0x55);
    page_->on_dlg_prgtool_closed();
    EXPECT_TRUE(g_config_image() == before);
}

TEST_F(tools_test, export_reads_each_curve_once_keeps_exported_files_and_copies_cached_ones)
{
    const QString name = dir() + "/cd_data/export.cdx";
    const QString folder = dir() + "/cd_data/export";
    {
        ui_testing::scripted_ui script;
        script.expect_save_file(name, "Export tool data to file ...").expect_information(success_text(folder));
        page_->on_bn_ExportAllTools_clicked();
    }
    for (const tool_fixture& t : tools) {
        SCOPED_TRACE(t.slot);
        EXPECT_EQ(samples_of(folder + "/" + file_of(false, t.slot)), world().tool_lists[uint16_t(t.slot)]);
        EXPECT_EQ(list_requests(dp::req_read_record222, t.slot), (t.samples + 25) / 26);
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 3);
    EXPECT_FALSE(QFile::exists(name));
    EXPECT_EQ(g_program_document().last_export_path, name);

    // Again into the same folder: nothing is read.
    forget();
    {
        ui_testing::scripted_ui script;
        script.expect_save_file(name).expect_information(success_text(folder));
        page_->on_bn_ExportAllTools_clicked();
    }
    EXPECT_EQ(list_requests(dp::req_read_record222), 0);

    // A curve in the cache is copied; only the others are read.
    const std::vector<int16_t> cached{7, 8, 9};
    ASSERT_TRUE(write_curve_csv(cached, g_config_image().tool(3).record().data(),
                                data_file("pm_cache/" + file_of(false, 3))));
    forget();
    {
        ui_testing::scripted_ui script;
        script.expect_save_file(dir() + "/second.cdx").expect_information(success_text(dir() + "/second"));
        page_->on_bn_ExportAllTools_clicked();
    }
    EXPECT_EQ(samples_of(dir() + "/second/" + file_of(false, 3)), cached);
    EXPECT_EQ(list_requests(dp::req_read_record222, 3), 0);
    EXPECT_EQ(list_requests(dp::req_read_record222, 7), 100);
}

TEST_F(tools_test, export_takes_the_listed_or_the_checked_rows_and_says_when_there_are_none)
{
    // Export all follows the column filter: only tool 3 has status 12H.
    f->tbvx_PM_Tools->model_item(0, 0)->setCheckState(Qt::Checked);
    page_->on_tbvx_PM_Tools_fixRow_clicked(0, 0);
    column_filter_record* rec = f->tbvx_PM_Tools->column_filter(7);
    rec->kind = filter_hex;
    rec->type = filter_equal;
    rec->active = 1;
    rec->min = 0x12;
    f->tbvx_PM_Tools->invalidate_filter();
    {
        ui_testing::scripted_ui script;
        script.expect_save_file(dir() + "/f.cdx").expect_information(success_text(dir() + "/f"));
        page_->on_bn_ExportAllTools_clicked();
    }
    EXPECT_EQ(QDir(dir() + "/f").entryList(QDir::Files), QStringList({file_of(false, 3)}));

    // Nothing checked: a plain information, no file dialog, no read.
    forget();
    {
        ui_testing::scripted_ui script;
        script.expect_information("There are no tools to export.");
        page_->on_bn_ExportSelectedTools_clicked();
    }
    EXPECT_EQ(list_requests(dp::req_read_record222), 0);

    check(3, true);
    forget();
    {
        ui_testing::scripted_ui script;
        script.expect_save_file(dir() + "/s.cdx").expect_information(success_text(dir() + "/s"));
        page_->on_bn_ExportSelectedTools_clicked();
    }
    EXPECT_EQ(QDir(dir() + "/s").entryList(QDir::Files), QStringList({file_of(false, 3)}));
}

TEST_F(tools_test, a_failed_read_or_folder_ends_the_export_with_the_failure_box)
{
    // The second tool's first piece fails or gets no reply: the first file stays, the third
    // tool is not read.
    for (const char* fault : {"error type=0x2C skip=5", "drop type=0x2C skip=5"}) {
        SCOPED_TRACE(fault);
        forget();
        QDir(dir() + "/e").removeRecursively();
        arm(fault);
        {
            ui_testing::scripted_ui script;
            script.expect_save_file(dir() + "/e.cdx").expect_error("Reading curve data from Tarvix failed!!");
            page_->on_bn_ExportAllTools_clicked();
        }
        EXPECT_EQ(QDir(dir() + "/e").entryList(QDir::Files), QStringList({file_of(false, 0)}));
        EXPECT_EQ(list_requests(dp::req_read_record222, 7), 0);
    }

    // A tool the controller has no curve for gets no file.
    world().tool_lists.erase(3);
    {
        ui_testing::scripted_ui script;
        script.expect_save_file(dir() + "/n.cdx").expect_information(success_text(dir() + "/n"));
        page_->on_bn_ExportAllTools_clicked();
    }
    EXPECT_EQ(QDir(dir() + "/n").entryList(QDir::Files).size(), 2);

    // A folder that cannot be made: the same box, nothing read.
    QFile blocker(dir() + "/plain");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    forget();
    {
        ui_testing::scripted_ui script;
        script.expect_save_file(dir() + "/plain/x.cdx").expect_error("Reading curve data from Tarvix failed!!");
        page_->on_bn_ExportAllTools_clicked();
    }
    EXPECT_EQ(list_requests(dp::req_read_record222), 0);

    // The first tool's file cannot be written into the existing folder, or its cached curve
    // cannot be copied: the same box, no file, the tools after it are not read. (A link into
    // a missing folder and a folder in the cache fail for root too.)
    const QString first = file_of(false, 0);
    ASSERT_TRUE(QDir().mkpath(dir() + "/w"));
    ASSERT_TRUE(QFile::link(dir() + "/missing/curve.csv", dir() + "/w/" + first));
    struct row {
        const char* what;
        const char* folder;
        bool cached;
        int reads_of_first;
    };
    const row rows[] = {
        {"curve file not written", "w", false, 5},
        {"cached curve not copied", "c", true, 0},
    };
    for (const row& c : rows) {
        SCOPED_TRACE(c.what);
        if (c.cached) {
            ASSERT_TRUE(QDir().mkpath(data_file("pm_cache/" + first)));
        }
        forget();
        {
            ui_testing::scripted_ui script;
            script.expect_save_file(dir() + "/" + c.folder + ".cdx").expect_error("Reading curve data from Tarvix failed!!");
            page_->on_bn_ExportAllTools_clicked();
        }
        EXPECT_EQ(QDir(dir() + "/" + c.folder).entryList(QDir::Files), QStringList());
        EXPECT_EQ(list_requests(dp::req_read_record222, 0), c.reads_of_first);
        EXPECT_EQ(list_requests(dp::req_read_record222, 3), 0);
    }
}

TEST_F(tools_test, a_tool_name_with_a_path_stays_in_the_export_folder)
{
    g_config_image().tool(0).record().set_text(*tool_record_fields().find("Name"), "a/../../b");
    page_->show_program(&main_);
    {
        ui_testing::scripted_ui script;
        script.expect_save_file(dir() + "/cd_data/n.cdx").expect_information(success_text(dir() + "/cd_data/n"));
        page_->on_bn_ExportAllTools_clicked();
    }
    EXPECT_EQ(QDir(dir() + "/cd_data/n").entryList(QDir::Files).size(), 3);
    QDirIterator it(dir(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        if (p.contains(QStringLiteral(" DN"))) {
            EXPECT_TRUE(p.startsWith(dir() + "/cd_data/n/")) << p.toStdString();
        }
    }
}

TEST_F(tools_test, records_export_reads_the_second_store)
{
    {
        ui_testing::scripted_ui script;
        script.expect_save_file(dir() + "/r.cdx").expect_information(success_text(dir() + "/r"));
        EXPECT_TRUE(export_tools_of_image(page_.get(), tool_source_records, true, records_view()));
    }
    EXPECT_EQ(list_requests(dp::req_read_record222_second), 3 + 4);
    EXPECT_EQ(list_requests(dp::req_read_record222), 0);
    EXPECT_EQ(samples_of(dir() + "/r/" + file_of(true, 1)), world().pm_lists[1]);
}

}  // namespace
