// The plotter against the simulated controller: a tool curve read once and then from the
// cache, its limit curves, the record slots with their limit of six and the eviction of
// unticked curves, refused, silent, wrong-kind and short replies, the curve folder of a
// program file, the manual range, and the status display of what the tvxsim server sends.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTimeEdit>
#include <chrono>
#include <thread>

#include "core/files/app_dirs.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/link/hid_link.h"
#include "core/link/hid_receive_thread.h"
#include "core/transfer/config_transfer.h"
#include "page_common/c_dlg_plotter.h"
#include "platform/clock.h"
#include "procmon/pm_csv.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "tests/core/device_sim_fixture.h"
#include "tests/core/fast_clock.h"
#include "tests/sim/tvxsim_process.h"
#include "widgets/c_my_rbg.h"
#include "widgets/c_plotter_tvx.h"
#include "widgets/c_qtableview_functab.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

void set_field(basic_byte_view<uint8_t> rec, const char* name, int64_t v)
{
    rec.set(*tool_record_fields().find(name), v);
}

QByteArray file_bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class plotter_test : public device_sim_test {
protected:
    void SetUp() override
    {
        ui_testing::test_app();
        device_sim_test::SetUp();
        shell_reset_for_tests();
        dir_ = std::make_unique<testing_support::temp_dir>();
        ASSERT_TRUE(init_app_dirs(dir(), dir()));
        plotter_ = std::make_unique<c_dlg_plotter>();
    }
    void TearDown() override
    {
        tools_.reset();
        records_.reset();
        plotter_.reset();
        device_sim_test::TearDown();
        shell_reset_for_tests();
    }
    QString dir() const { return QString::fromStdString(dir_->path()); }

    // A tool (or record) in use with a curve of n samples 10 * i in the controller.
    std::vector<int16_t> add(bool recording, int row, int n)
    {
        tool_slot s = recording ? g_images().pm_record(uint32_t(row)) : g_config_image().tool(uint32_t(row));
        s.set_in_use(1);
        auto rec = s.record();
        rec.set_text(*tool_record_fields().find("Name"), "T" + std::to_string(row));
        set_field(rec, "Number", row);
        set_field(rec, "DataCnt", n);
        set_field(rec, "DataMax", 10 * (n - 1));
        set_field(rec, "DataCRC32", 0x1000 + row);
        set_field(rec, "X_ToleranceRewind", 1);
        set_field(rec, "X_ToleranceForward", 1);
        set_field(rec, "MissingMode", 1);
        set_field(rec, "MissingLimit", 100);
        set_field(rec, "BluntMode", 1);
        set_field(rec, "BluntLimit", 900);
        set_field(rec, "BreakMode", 2);
        set_field(rec, "BreakLimit", 50);
        std::vector<int16_t> curve;
        for (int i = 0; i < n; ++i)
            curve.push_back(int16_t(10 * i));
        (recording ? world().pm_lists : world().tool_lists)[uint16_t(row)] = curve;
        return curve;
    }
    c_qtableview_functab* view(bool recording)
    {
        auto& v = recording ? records_ : tools_;
        if (!v) {
            // Rows are made once: every record is in place before the first look.
            v = std::make_unique<c_qtableview_functab>();
            const QStringList columns{"", "Name"};
            const quint16 widths[] = {20, 80};
            table_view_options opt;
            opt.checkColumn = 1;
            v->setup(0, nullptr, &columns, 20, widths,
                     [](int, const void* rec) { return le::i32(static_cast<const uint8_t*>(rec)) != 0; },
                     [](int, const void*, QStringList* texts) { *texts << QString() << QStringLiteral("x"); }, 0,
                     &opt);
            if (recording)
                v->set_array_geometry(g_images().pm_record_store.data(), 8300, 252);
            else
                v->set_array_geometry(g_config_image().tool(0).data(), 500, 252);
            v->refill_rows(0);
        }
        return v.get();
    }
    void tick(bool recording, int row, bool on)
    {
        QStandardItem* item = view(recording)->item_of_array_index(row, 0);
        ASSERT_TRUE(item) << row;
        item->setCheckable(true);
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    int list_requests(uint8_t type) const
    {
        int n = 0;
        for (const device_frame& f : sent)
            n += f.type() == type && (f.u32(dp::record222_piece_offset) & dp::value_list_piece_flag);
        return n;
    }
    QString cache_of(bool recording, int row)
    {
        const const_tool_slot s = recording ? const_tool_slot(g_images().pm_record(uint32_t(row)))
                                            : const_tool_slot(g_config_image().tool(uint32_t(row)));
        return data_file("pm_cache/" + pm_record_file_name(recording, s.record().data()));
    }
    bool show_tools() { return plotter_->showCurves(true, true, true, tools_.get(), nullptr, true); }
    bool show_records() { return plotter_->showCurves(false, false, false, nullptr, records_.get(), true); }

    std::unique_ptr<testing_support::temp_dir> dir_;
    std::unique_ptr<c_dlg_plotter> plotter_;
    std::unique_ptr<c_qtableview_functab> tools_, records_;
};

TEST_F(plotter_test, a_tool_curve_is_read_once_cached_and_shown_with_its_limits)
{
    const std::vector<int16_t> curve = add(false, 3, 60);
    tick(false, 3, true);
    ASSERT_TRUE(show_tools());
    EXPECT_EQ(list_requests(dp::req_read_record222), 3);  // 60 values, 26 a piece
    EXPECT_TRUE(ui_.boxes.empty());
    EXPECT_EQ(ui_.titles, std::vector<QString>{"Reading process data from Tarvix. Please wait ..."});

    // The cache holds exactly what the curve writer makes of the controller's list.
    const QString expected = dir() + "/expected.csv";
    ASSERT_TRUE(write_curve_csv(curve, g_config_image().tool(3).record().data(), expected));
    EXPECT_EQ(file_bytes(cache_of(false, 3)), file_bytes(expected));

    EXPECT_EQ(plotter_->row_of_slot(1), 3);
    EXPECT_EQ(plotter_->tool_slot_of(3), 1);
    EXPECT_EQ(plotter_->slot_samples(1), QVector<qint16>(curve.begin(), curve.end()));
    for (int s = 0; s <= 3; ++s) {
        EXPECT_TRUE(plotter_->main_plot()->curve_data(s)) << s;
        EXPECT_TRUE(plotter_->zoom_plot()->curve_data(s)) << s;
    }
    // By hand: missing 100 and blunt 900 flat (mode 1), break = window maximum + 50, the
    // window one sample either side.
    for (int i = 0; i < 60; ++i) {
        EXPECT_EQ(plotter_->limit_curve(0)[i], 100) << i;
        EXPECT_EQ(plotter_->limit_curve(1)[i], 900) << i;
        EXPECT_EQ(plotter_->limit_curve(2)[i], 10 * std::min(i + 1, 59) + 50) << i;
    }
    EXPECT_EQ(plotter_->range().xMax, 100);  // DataCnt 60 is within the start range
    EXPECT_EQ(plotter_->range().yMax, 900);  // the highest limit, blunt

    // A second look reads nothing from the controller.
    forget();
    ASSERT_TRUE(show_tools());
    EXPECT_EQ(list_requests(dp::req_read_record222), 0);
    EXPECT_TRUE(plotter_->main_plot()->curve_data(1));
}

TEST_F(plotter_test, a_tool_name_that_looks_like_a_path_keeps_its_cache_file_in_the_cache_folder)
{
    add(false, 3, 20);
    g_config_image().tool(3).record().set_text(*tool_record_fields().find("Name"), "../../x");
    tick(false, 3, true);
    ASSERT_TRUE(show_tools());
    const QStringList cached = QDir(dir() + "/pm_cache").entryList(QDir::Files);
    ASSERT_EQ(cached.size(), 1);
    EXPECT_TRUE(cached[0].startsWith("_._.._x DN")) << cached[0].toStdString();
    EXPECT_EQ(QDir(dir()).entryList(QStringList{"x DN*"}, QDir::Files).size(), 0);
    EXPECT_EQ(QDir(dir() + "/..").entryList(QStringList{"x DN*"}, QDir::Files).size(), 0);
}

TEST_F(plotter_test, a_garbage_cache_is_read_again_and_a_cache_that_cannot_be_written_keeps_the_curve)
{
    add(false, 3, 30);
    tick(false, 3, true);
    QFile f(cache_of(false, 3));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("garbage;;\r\nnot a number\r\n");
    f.close();
    ASSERT_TRUE(show_tools());
    EXPECT_EQ(list_requests(dp::req_read_record222), 2);
    EXPECT_EQ(plotter_->slot_samples(1).size(), 30);
    std::vector<int16_t> back;
    bool ok = false;
    EXPECT_TRUE(pm_read_csv(back, nullptr, ok, cache_of(false, 3)));  // rewritten
    EXPECT_EQ(back.size(), 30u);

    // No cache folder at all: the curve read from the controller is still shown.
    plotter_->reset_plots();
    QDir(dir() + "/pm_cache").removeRecursively();
    QFile(dir() + "/pm_cache").open(QIODevice::WriteOnly);  // a file in the folder's place
    ASSERT_TRUE(show_tools());
    EXPECT_EQ(plotter_->slot_samples(1).size(), 30);
    EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(plotter_test, six_records_fill_slots_four_to_nine_a_seventh_is_refused_unticked_ones_make_room)
{
    for (int r = 0; r < 8; ++r)
        add(true, r, 40 + r);
    for (int r = 0; r < 7; ++r)
        tick(true, r, true);
    EXPECT_FALSE(show_records());
    EXPECT_EQ(ui_.boxes, std::vector<QString>{"ERROR: To many curves selected!!"});
    EXPECT_EQ(list_requests(dp::req_read_record222_second), 0);

    tick(true, 6, false);
    ASSERT_TRUE(show_records());
    for (int r = 0; r < 6; ++r)
        EXPECT_EQ(plotter_->record_slot_of(r), 4 + r) << r;
    EXPECT_EQ(plotter_->main_plot()->curve_data(9)->size(), 45);

    // Record 0 unticked, record 7 ticked: record 0 gives up its slot and its cell colour.
    tick(true, 0, false);
    tick(true, 7, true);
    forget();
    ASSERT_TRUE(show_records());
    EXPECT_EQ(plotter_->record_slot_of(0), -1);
    EXPECT_EQ(plotter_->record_slot_of(7), 4);
    EXPECT_EQ(plotter_->slot_samples(4).size(), 47);
    EXPECT_EQ(records_->item_of_array_index(0, 0)->background().color(), QColor(238, 233, 225, 127));
    EXPECT_EQ(records_->item_of_array_index(7, 0)->background().color(), c_dlg_plotter::slot_colour(4));
    EXPECT_EQ(list_requests(dp::req_read_record222_second), 2);  // only record 7 was read
}

TEST_F(plotter_test, a_tool_shown_but_unticked_gives_way_and_two_ticked_tools_are_too_many)
{
    add(false, 1, 10);
    add(false, 2, 20);
    tick(false, 1, true);
    ASSERT_TRUE(show_tools());
    tick(false, 1, false);
    tick(false, 2, true);
    ASSERT_TRUE(show_tools());
    EXPECT_EQ(plotter_->tool_slot_of(1), -1);
    EXPECT_EQ(plotter_->tool_slot_of(2), 1);
    EXPECT_EQ(plotter_->slot_samples(1).size(), 20);
    tick(false, 1, true);
    EXPECT_FALSE(show_tools());
    EXPECT_EQ(ui_.boxes, std::vector<QString>{"ERROR: To many curves selected!!"});
}

TEST_F(plotter_test, failed_reads_from_the_controller_and_from_the_curve_folder)
{
    add(false, 3, 30);
    tick(false, 3, true);
    struct reply {
        const char* what;
        const char* fault;
    };
    const reply replies[] = {
        {"refused", "error type=0x2C"},
        {"no reply", "drop type=0x2C"},
        {"another kind", "wrong-kind type=0x2C"},
        {"no reply to the second piece", "drop type=0x2C skip=1"},
        {"a short piece", "short type=0x2C count=20"},
    };
    for (const reply& r : replies) {
        SCOPED_TRACE(r.what);
        ui_.boxes.clear();
        arm(r.fault);
        {
            // The missing reply's time-out passes twenty times faster than the wall clock.
            fast_clock fast(20);
            platform::scoped_clock use(fast);
            EXPECT_FALSE(show_tools());
        }
        EXPECT_EQ(ui_.boxes, std::vector<QString>{"ERROR: Reading curve data from Tarvix failed!!"});
        EXPECT_FALSE(QFile::exists(cache_of(false, 3)));
        EXPECT_EQ(plotter_->row_of_slot(1), -1);
        EXPECT_EQ(dev_->faults().armed(), 0u);
    }
    // The link is still good: the same curve reads now.
    ui_.boxes.clear();
    ASSERT_TRUE(show_tools());
    EXPECT_EQ(plotter_->slot_samples(1).size(), 30);
    EXPECT_TRUE(ui_.boxes.empty());

    // A program from a file reads its curves from the file's curve folder.
    plotter_->reset_plots();
    g_program_document().source = 2;
    g_program_document().file_name = dir() + "/prog.cdx";
    forget();
    EXPECT_FALSE(show_tools());
    EXPECT_EQ(ui_.boxes, std::vector<QString>{"Error: Error reading process-data from csv-file!"});
    const QString folder = curve_folder_for(g_program_document().file_name);
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::vector<int16_t> curve{5, -1, 7};
    const uint8_t* rec = g_config_image().tool(3).record().data();
    ASSERT_TRUE(write_curve_csv(curve, rec, folder + "/" + pm_record_file_name(false, rec)));
    ASSERT_TRUE(show_tools());
    EXPECT_EQ(plotter_->slot_samples(1), (QVector<qint16>{5, -1, 7}));
    EXPECT_EQ(list_requests(dp::req_read_record222), 0);
}

TEST_F(plotter_test, manual_mode_rounds_the_range_up_to_whole_seconds)
{
    add(false, 3, 3050);
    tick(false, 3, true);
    c_qtableview_functab* tools = tools_.get();
    c_dlg_plotter::set_page_views(wm_program, [tools] { return c_dlg_plotter::page_views{tools, nullptr}; });
    g_shell().window_mode = wm_program;
    ASSERT_TRUE(show_tools());
    EXPECT_EQ(plotter_->range().xMax, 3050);
    plotter_->on_rbg_SettingsMode_clicked(1);
    EXPECT_EQ(plotter_->findChild<QTimeEdit*>("timeEdit")->time(), QTime(0, 0, 31));
    EXPECT_EQ(plotter_->range().xMax, 3100);
    EXPECT_FALSE(plotter_->auto_range());
    c_dlg_plotter::set_page_views(wm_program, nullptr);

    // A range beyond the edit's display stops at 59:59.
    set_field(g_config_image().tool(3).record(), "DataCnt", 500000);
    plotter_->on_rbg_SettingsMode_clicked(0);
    ASSERT_TRUE(show_tools());
    plotter_->on_rbg_SettingsMode_clicked(1);  // no views now: the range stays
    EXPECT_EQ(plotter_->findChild<QTimeEdit*>("timeEdit")->time(), QTime(0, 59, 59));

    // Without the manual page "Clear Online Curve" leaves the online curve alone.
    plotter_->online_curve()->append(7);
    plotter_->on_bn_ClearPlotter_clicked();
    EXPECT_EQ(plotter_->online_curve()->size(), 1);
}

TEST_F(plotter_test, teach_curves_need_a_tool_curve_and_leave_the_record_alone)
{
    QByteArray rec(int(tool_record_size), 0);
    EXPECT_FALSE(plotter_->showTeachCurves(rec));
    EXPECT_EQ(ui_.boxes, std::vector<QString>{"WARNING: No Teach-Data is available!\nPlease go back to previous "
                                              "dialog and read the tool curve!"});
    add(false, 3, 20);
    tick(false, 3, true);
    ASSERT_TRUE(show_tools());
    std::copy_n(g_config_image().tool(3).record().data(), tool_record_size, rec.data());
    set_field(basic_byte_view<uint8_t>(reinterpret_cast<uint8_t*>(rec.data()), tool_record_size), "BluntLimit", 1500);
    const QByteArray before = rec;
    ASSERT_TRUE(plotter_->showTeachCurves(rec));
    EXPECT_EQ(rec, before);
    EXPECT_EQ(plotter_->limit_curve(1)[0], 1500);
    EXPECT_EQ(plotter_->range().yMax, 1500);
}

TEST(plotter_tvxsim, the_status_display_shows_what_the_server_sends)
{
    ui_testing::test_app();
    core_reset_for_tests();
    hid_link_reset_for_tests();
    {
        testing_support::tvxsim_process sim;
        ASSERT_TRUE(sim.ok()) << sim.error();
        error_record e;
        ASSERT_TRUE(hid_open(e));
        hid_receive_thread thread;
        thread.start();
        // Status bits 0x0409 and error bits 0x8001 (in the second piece), 29 letters and no
        // terminator before DN 12, PN 3456.
        std::string name = "process-data 26";
        for (int i = 0; i < 29; ++i)
            name += " " + std::to_string('A' + i % 26);
        for (const std::string& line : {std::string("process-data 84 0x09 0x04 0x01 0x80"), name,
                                        std::string("process-data 55 12 0x80 0x0D")})
            ASSERT_TRUE(sim.control().command(line)) << line;
        for (int type = 0; type < 3; ++type)
            ASSERT_TRUE(dev_query_info_typed(type, e)) << type;
        c_dlg_plotter plotter;
        plotter.updateStatusDisplay();
        QStringList on;
        for (QCheckBox* b : plotter.findChildren<QCheckBox*>())
            if (b->isChecked())
                on << b->objectName();
        on.sort();
        // 0x0409: bits 0, 3 and 10; 0x8001: bits 0 and 15.
        EXPECT_EQ(on, (QStringList{"chb_PME_Command", "chb_PME_Res15", "chb_PMS_FeedP", "chb_PMS_OK", "chb_PMS_Ready"}));
        EXPECT_EQ(plotter.findChild<QLabel*>("pn_PM_Tool_Name")->text().size(), 29);
        EXPECT_EQ(plotter.findChild<QLabel*>("pn_PM_Tool_DuploNr")->text(), "12");
        EXPECT_EQ(plotter.findChild<QLabel*>("pn_PM_Tool_ProcessNr")->text(), "3456");
        thread.stop_and_wait();
    }
    hid_link_reset_for_tests();
    core_reset_for_tests();
}

}  // namespace
