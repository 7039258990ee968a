// The process monitor page on generated cards: entering without a card, the lists and their
// order, the filters and sorting, the info panels, and saving selected and all entries with
// the space estimate, cancelling, hostile names and a folder that cannot be written; a card
// changed or pulled since the load, stored sample counts out of range, the data buttons and
// a save larger than the free space.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTableWidget>

#include "procmon/pm_csv.h"
#include "procmon/sdcard_reader.h"
#include "procmon/windows/c_dlg_pm_data.h"
#include "procmon/windows/c_dlgw_procmon.h"
#include "procmon/windows/c_gbw_pm_toolinfo.h"
#include "widgets/c_qtableview_functab.h"
#include "core/image/byte_record.h"
#include "core/image/tool_records.h"
#include <QLocale>
#include <functional>
#include "sim/card_image.h"
#include "support/test_support.h"
#include "widgets/testing/test_app.h"

namespace {

// Answers questions from a list and cancels the progress after a number of event passes.
class page_ui final : public ui::services {
public:
    page_ui() { ui::install(this); }
    ~page_ui() override { ui::install(nullptr); }
    int message(ui::box_kind, const QString& title, const QString& text, int, int) override
    {
        boxes << title + ": " + text;
        return answers.isEmpty() ? answer : answers.takeFirst();
    }
    void progress_begin(const QString& title) override { shared_progress << title; }
    void progress_set(int percent) override { shared_progress << QString::number(percent); }
    int progress_value() const override { return 0; }
    void progress_end() override { shared_progress << "end"; }
    // The save's own progress dialog: its label is kept, and it is cancelled after
    // cancel_after passes.
    void process_events() override
    {
        ++passes;
        for (QWidget* w : QApplication::allWidgets())
            if (auto* d = qobject_cast<QProgressDialog*>(w)) {
                progress << d->labelText();
                if (cancel_after >= 0 && passes > cancel_after)
                    d->cancel();
            }
    }
    QString open_file_name(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString save_file_name(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString existing_directory(QWidget*, const QString&, const QString&) override { return {}; }
    int run_modal(QWidget* w) override
    {
        if (on_modal)
            on_modal(w);
        ++modal_runs;
        return 0;
    }
    std::function<void(QWidget*)> on_modal;
    int modal_runs = 0;

    QStringList boxes, progress, shared_progress;
    int answer = ui::yes;
    QList<int> answers;  // given first, one a box, before `answer`
    int cancel_after = -1;
    int passes = 0;
};

class page_test : public ui_testing::app_first, public ::testing::Test {
protected:
    void SetUp() override
    {
        before_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(out_.path())));
    }
    void TearDown() override
    {
        page_.reset();
        QDir::setCurrent(before_);
        sdcard_close();
        ::unsetenv("TARVIX_SDCARD_DEVICES");
        sdcard_reset_for_tests();
    }
    void use_card(const card_image::scenario& s)
    {
        const std::string path = card_.file("card.img");
        ASSERT_TRUE(card_image::write_scenario(s, path));
        use_device(path);
    }
    void use_device(const std::string& path)
    {
        ::setenv("TARVIX_SDCARD_DEVICES", path.c_str(), 1);
        sdcard_set_roots(disk::roots{});
        sdcard_reset_for_tests();
        page_ = std::make_unique<c_dlgw_procmon>();
    }
    // Column c of every row a view shows, in view order.
    static QStringList column(QTableView* v, int c)
    {
        QStringList out;
        for (int r = 0; r < v->model()->rowCount(); ++r)
            out << v->model()->index(r, c).data().toString();
        return out;
    }
    QCheckBox* box(const char* name) { return page_->findChild<QCheckBox*>(name); }
    QStringList files() const
    {
        return QDir(QString::fromStdString(out_.path())).entryList(QDir::Files, QDir::Name);
    }

    page_ui ui_;
    testing_support::temp_dir card_, out_;
    QString before_;
    std::unique_ptr<c_dlgw_procmon> page_;
};

TEST_F(page_test, no_card_refuses_to_enter)
{
    use_device(card_.file("missing.img"));
    EXPECT_FALSE(page_->openMonitor(nullptr));
    EXPECT_EQ(ui_.boxes, QStringList{"ERROR: No sdcard detected! Please insert sdcard and try again!"});
}

TEST_F(page_test, a_typical_card_lists_filters_and_sorts)
{
    use_card(card_image::make_scenario("S1"));
    ASSERT_TRUE(page_->openMonitor(nullptr));
    EXPECT_TRUE(ui_.boxes.isEmpty());
    ASSERT_GE(ui_.shared_progress.size(), 3);
    EXPECT_EQ(ui_.shared_progress.first(), "Reading sdcard data ...");
    EXPECT_EQ(ui_.shared_progress.last(), "end");
    EXPECT_EQ(column(page_->tool_types_view(), 2), (QStringList{"0", "5", "9", "30"}));  // 20 has flag 2
    EXPECT_EQ(column(page_->tools_view(), 1), (QStringList{"T3", "T4", "T7", "T10", "T11", "T12"}));
    const QStringList logical = column(page_->recordings_view(), 10);
    ASSERT_FALSE(logical.isEmpty());
    for (int i = 0; i < logical.size(); ++i)
        EXPECT_EQ(logical[i].toInt(), i);  // oldest first
    EXPECT_TRUE(page_->tool_types_view()->isColumnHidden(2));

    // A recording with flag byte 0 is listed; its panel shows nothing in use.
    page_->recordings_view()->selectRow(6);
    EXPECT_EQ(page_->current_recording().index, 6);
    const auto panels = page_->findChildren<QLineEdit*>("eb_DataOptions");
    ASSERT_EQ(panels.size(), 2);
    QStringList dataOptions;
    for (QLineEdit* e : panels)
        dataOptions << e->text();
    EXPECT_TRUE(dataOptions.contains("----"));

    // Tool type Nr. 12 selected and filtered: Typ 12 stays, Typ 112 goes.
    page_->tool_types_view()->selectRow(0);
    box("chb_FilterToolTypes")->setChecked(true);
    EXPECT_EQ(column(page_->tools_view(), 5), (QStringList{"12", "12", "12", "12"}));
    box("chb_FilterToolTypes")->setChecked(false);
    EXPECT_EQ(column(page_->tools_view(), 1).size(), 6);

    // Filter Tools without a current tool: the key is empty and no recording passes.
    page_->tools_view()->setCurrentIndex(QModelIndex());
    box("chb_FilterToolParameters")->setChecked(true);
    EXPECT_EQ(page_->recordings_view()->model()->rowCount(), 0);
    box("chb_FilterToolParameters")->setChecked(false);

    // Sorting, and back to the order of the load.
    box("chb_ToolParSortEnable")->setChecked(true);
    page_->tools_view()->sortByColumn(1, Qt::DescendingOrder);
    EXPECT_EQ(column(page_->tools_view(), 1).first(), "T7");
    page_->tools_view()->selectRow(0);
    EXPECT_EQ(page_->current_tool().index, 7);  // the selection maps through the proxy
    box("chb_ToolParSortEnable")->setChecked(false);
    EXPECT_EQ(column(page_->tools_view(), 1), (QStringList{"T3", "T4", "T7", "T10", "T11", "T12"}));

    // Re-entering clears the filter boxes.
    box("chb_FilterToolTypes")->setChecked(true);
    ASSERT_TRUE(page_->openMonitor(nullptr));
    EXPECT_FALSE(box("chb_FilterToolTypes")->isChecked());
}

// The tool-type info tables show their values with "." under a decimal comma too, one sign
// for the whole group.
TEST_F(page_test, tool_type_info_tables_keep_the_point_under_a_decimal_comma)
{
    card_image::scenario s = card_image::make_scenario("S1");
    ASSERT_FALSE(s.tool_types.empty());
    byte_view r(s.tool_types.front().record.data(), uint32_t(s.tool_types.front().record.size()));
    const auto at = [](const char* field) { return tool_type_record_fields().find(field)->offset; };
    r.set_i16(at("BreakLimit"), 1234);
    r.set_i16(at("BluntLimit"), 5);
    r.set_i16(at("BluntWork"), -250);
    r.set_i16(at("ToleranceFine"), 500);
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    use_card(s);
    ASSERT_TRUE(page_->openMonitor(nullptr));
    page_->tool_types_view()->selectRow(0);
    auto cell = [this](const char* table, int row, int column) {
        return page_->findChild<QTableWidget*>(table)->item(row, column)->text();
    };
    EXPECT_EQ(cell("tbwx_ToolTypesInfoModePar", 0, 1), "12.34");
    EXPECT_EQ(cell("tbwx_ToolTypesInfoModePar", 1, 1), "0.05");
    EXPECT_EQ(cell("tbwx_ToolTypesInfoModePar", 1, 3), "-2.50");
    EXPECT_EQ(cell("tbwx_ToolTypesInfoTolerance", 0, 0), "0.05");
    QLocale::setDefault(before);
}

TEST_F(page_test, save_all_asks_with_the_estimate_writes_the_writers_files_and_stops_on_cancel)
{
    card_image::scenario s = card_image::make_scenario("S1");
    std::vector<card_image::tool_entry> kept;
    for (const card_image::tool_entry& t : s.tools)
        if (t.index >= 10)  // DataCnt 0, 100 and 1000
            kept.push_back(t);
    s.tools = kept;
    use_card(s);
    ASSERT_TRUE(page_->openMonitor(nullptr));
    ui_.answer = ui::no;
    page_->on_bn_ToolParSaveAll_clicked();
    EXPECT_EQ(ui_.boxes, QStringList{"Confirm: 3 files are selected. Needed disk space about 0.04 MB"});
    EXPECT_TRUE(files().isEmpty());

    ui_.answer = ui::yes;
    ui_.boxes.clear();
    page_->on_bn_ToolParSaveAll_clicked();
    EXPECT_EQ(ui_.progress, (QStringList{"Saving files to csv ...", "Saving files to csv ...", "Saving files to csv ..."}));
    EXPECT_EQ(ui_.boxes.size(), 1) << ui_.boxes.join("|").toStdString();
    ASSERT_EQ(files().size(), 3);
    // Each file is the record writer's own file.
    ASSERT_TRUE(sdcard_rescan() && sdcard_open());
    uint8_t sector[512];
    ASSERT_TRUE(sdcard_read_tool_header(12, sector));
    const QString name = pm_record_name(false, sector + 1) + ".csv";
    const QString mine = QString::fromStdString(card_.file("own.csv"));
    ASSERT_TRUE(write_record_csv(false, 12, sector, mine));
    sdcard_close();
    QFile a(name), b(mine);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());

    for (const QString& f : files())
        QFile::remove(f);
    ui_.passes = 0;
    ui_.cancel_after = 2;  // cancelled before the third file
    page_->on_bn_ToolParSaveAll_clicked();
    EXPECT_EQ(files().size(), 2);
}

TEST_F(page_test, tool_types_estimate_in_kilobytes_and_hostile_names_stay_in_the_folder)
{
    card_image::scenario s = card_image::make_scenario("S1");
    const auto type = s.tool_types.front();
    s.tool_types.clear();
    for (int n = 0; n < 10; ++n)
        s.tool_types.push_back({n, 1, type.record});
    use_card(s);
    ASSERT_TRUE(page_->openMonitor(nullptr));
    ui_.answer = ui::no;
    page_->on_bn_ToolTypeSaveAll_clicked();
    EXPECT_EQ(ui_.boxes, QStringList{"Confirm: 10 files are selected. Needed disk space about 21.62 KB"});

    // Ten types of one name: ten files all the same.
    ui_.answer = ui::yes;
    page_->on_bn_ToolTypeSaveAll_clicked();
    EXPECT_EQ(files().size(), 10);

    for (const QString& f : files())
        QFile::remove(f);
    use_card(card_image::make_scenario("S6"));
    ASSERT_TRUE(page_->openMonitor(nullptr));
    page_->on_bn_ToolTypeSaveAll_clicked();
    const QStringList written = files();
    EXPECT_EQ(written.size(), 3);
    for (const QString& f : written)
        EXPECT_FALSE(f.contains('/') || f.startsWith("..")) << f.toStdString();
    EXPECT_TRUE(QDir(QString::fromStdString(card_.path())).entryList(QDir::Files).contains("card.img"));
    EXPECT_EQ(QDir(QString::fromStdString(card_.path())).entryList(QDir::Files).size(), 1);
}

TEST_F(page_test, a_file_that_cannot_be_written_ends_the_save_with_one_box)
{
    use_card(card_image::make_scenario("S1"));
    ASSERT_TRUE(page_->openMonitor(nullptr));
    // A folder in the place of the second file (even root cannot write a file there).
    ASSERT_TRUE(sdcard_rescan() && sdcard_open());
    uint8_t sector[512];
    ASSERT_TRUE(sdcard_read_tool_header(4, sector));
    sdcard_close();
    const QString blocked = pm_record_name(false, sector + 1) + ".csv";
    ASSERT_TRUE(QDir().mkdir(blocked));
    page_->on_bn_ToolParSaveAll_clicked();
    ASSERT_EQ(ui_.boxes.size(), 2);
    EXPECT_TRUE(ui_.boxes[1].startsWith("ERROR: 1 of 6 files were saved. Could not write ")) << ui_.boxes[1].toStdString();
    EXPECT_TRUE(ui_.boxes[1].contains(blocked));
    EXPECT_EQ(files().size(), 1);  // the first file, and no partial second one
}

// The cells of a data table, row by row.
QStringList cells(c_dlg_pm_data* d, int row)
{
    QStringList out;
    QAbstractItemModel* m = d->table()->model();
    for (int c = 0; c < 6; ++c)
        out << m->index(row, c).data().toString();
    return out;
}

TEST_F(page_test, data_tables_of_a_tool_and_of_a_recording_beside_its_tool)
{
    card_image::scenario s = card_image::make_scenario("S1");
    for (card_image::tool_entry& t : s.tools)
        if (t.index == 7) {
            ASSERT_GE(t.samples.size(), 2u);
            t.samples[0] = 900;
            t.samples[1] = 0xFFFF;
        }
    for (card_image::tool_entry& t : s.tools)
        if (t.index == 3) {
            t.samples[255] = 255;
            t.samples[256] = 4096;
        }
    bool found = false;
    for (card_image::tool_entry& r : s.recordings)
        if (le::u16(r.record.data() + 48) == 7 && !r.samples.empty()) {  // DN 7: a recording of T7
            r.samples[0] = 1000;
            found = true;
        }
    ASSERT_TRUE(found);
    use_card(s);
    ASSERT_TRUE(page_->openMonitor(nullptr));

    std::vector<QStringList> seen;
    int rows = 0;
    ui_.on_modal = [&](QWidget* w) {
        auto* d = qobject_cast<c_dlg_pm_data*>(w);
        ASSERT_TRUE(d);
        rows = d->row_count();
        seen.clear();
        for (int r : {0, 1, 199, 200, 255, 256, rows - 1})
            if (r >= 0 && r < rows)
                seen.push_back(cells(d, r));
    };
    // Tool 3: one series of 300 samples from data sectors 0 and 1.
    page_->tools_view()->selectRow(0);
    ASSERT_EQ(page_->current_tool().index, 3);
    page_->findChild<QPushButton*>("bn_ToolData")->click();
    ASSERT_EQ(ui_.modal_runs, 1);
    EXPECT_EQ(rows, 300);
    EXPECT_EQ(seen[4], (QStringList{"255", "255", "00FFH", " ", " ", " "}));
    EXPECT_EQ(seen[5], (QStringList{"256", "4096", "1000H", " ", " ", " "}));

    // The recording of T7 with "Add Tool Data": tool 7's 200 samples beside it.
    const QStringList names = column(page_->recordings_view(), 2);
    const int row = names.indexOf("7");
    ASSERT_GE(row, 0);
    page_->recordings_view()->selectRow(row);
    box("chb_AddToolData")->setChecked(true);
    page_->findChild<QPushButton*>("bn_RecData")->click();
    ASSERT_EQ(ui_.modal_runs, 2);
    EXPECT_EQ(rows, 300);
    EXPECT_EQ(seen[0], (QStringList{"0", "1000", "03E8H", "900", "0384H", "-100"}));
    EXPECT_EQ(seen[1].mid(3, 2), (QStringList{"65535", "FFFFH"}));
    EXPECT_EQ(seen[3].mid(3), (QStringList{"----", "----", "----"}));  // row 200: past the tool
    EXPECT_TRUE(ui_.boxes.isEmpty());
}

TEST_F(page_test, a_data_read_that_fails_shows_an_error_and_no_table)
{
    use_card(card_image::make_scenario("S5"));  // tool 7's data is cut off
    ASSERT_TRUE(page_->openMonitor(nullptr));
    // The headers of tools 8 to 499 lie past the end: one box for all of them.
    ASSERT_EQ(ui_.boxes.size(), 1);
    EXPECT_TRUE(ui_.boxes[0].startsWith("WARNING: 492 sectors of the sdcard could not be read")) << ui_.boxes[0].toStdString();
    ui_.boxes.clear();
    const int row = column(page_->tools_view(), 10).indexOf("7");
    ASSERT_GE(row, 0);
    page_->tools_view()->selectRow(row);
    page_->findChild<QPushButton*>("bn_ToolData")->click();
    EXPECT_EQ(ui_.modal_runs, 0);
    EXPECT_EQ(ui_.boxes, QStringList{"ERROR: Error reading sdcard data"});
}

TEST_F(page_test, a_card_changed_since_the_load_is_refused)
{
    const QString changed = "ERROR: The card was changed; please reopen the process monitor";
    struct change {
        const char* what;
        std::function<void(card_image::scenario&)> apply;
    };
    const change changes[] = {
        {"a new recording", [](card_image::scenario& s) {
             s.recordings.push_back(s.recordings.back());
             ++s.next_slot;
             ++s.total_written;
         }},
        {"a tool rewritten", [](card_image::scenario& s) { s.tools.front().record[40] ^= 0x55; }},
    };
    for (const change& c : changes) {
        SCOPED_TRACE(c.what);
        card_image::scenario s = card_image::make_scenario("S1");
        use_card(s);
        ASSERT_TRUE(page_->openMonitor(nullptr));
        page_->tools_view()->selectRow(0);
        c.apply(s);
        ASSERT_TRUE(card_image::write_scenario(s, card_.file("card.img")));
        ui_.boxes.clear();
        page_->on_bn_ToolParSaveAll_clicked();
        page_->findChild<QPushButton*>("bn_ToolData")->click();
        EXPECT_EQ(ui_.boxes, (QStringList{changed, changed}));
        EXPECT_TRUE(files().isEmpty());
        EXPECT_EQ(ui_.modal_runs, 0);
    }
}

TEST_F(page_test, a_card_pulled_since_the_load_is_told_by_every_button_and_nothing_is_written)
{
    const QString gone = "ERROR: No sdcard detected or error reading sdcard!";
    const std::string image = card_.file("card.img");
    const std::string aside = card_.file("aside.img");
    const testing_support::temp_dir no_disks;
    struct pull {
        const char* what;
        std::function<void()> out, back;
    };
    const pull pulls[] = {
        {"the image removed", [&] { ::unlink(image.c_str()); },
         [&] { ASSERT_TRUE(card_image::write_scenario(card_image::make_scenario("S1"), image)); }},
        {"the image renamed", [&] { ::rename(image.c_str(), aside.c_str()); },
         [&] { ::rename(aside.c_str(), image.c_str()); }},
        {"no device listed and no disk found",
         [&] {
             ::unsetenv("TARVIX_SDCARD_DEVICES");
             disk::roots r;
             r.sys = r.proc = r.dev = no_disks.path();
             sdcard_set_roots(r);
         },
         [&] {
             ::setenv("TARVIX_SDCARD_DEVICES", image.c_str(), 1);
             sdcard_set_roots(disk::roots{});
         }},
    };
    for (const pull& p : pulls) {
        SCOPED_TRACE(p.what);
        use_card(card_image::make_scenario("S1"));
        ASSERT_TRUE(page_->openMonitor(nullptr));
        page_->tools_view()->selectRow(0);
        ASSERT_EQ(page_->current_tool().index, 3);
        p.out();
        ui_.boxes.clear();
        // Every button that reads the card says so, and writes nothing.
        page_->on_bn_ToolParSaveAll_clicked();
        page_->on_bn_RecParSaveAll_clicked();
        page_->on_bn_ToolTypeSaveAll_clicked();
        page_->on_bn_ToolParSave_clicked();
        page_->findChild<QPushButton*>("bn_ToolData")->click();
        EXPECT_EQ(ui_.boxes, QStringList(QVector<QString>(5, gone).toList()));
        EXPECT_EQ(ui_.modal_runs, 0);
        EXPECT_TRUE(files().isEmpty()) << files().join(", ").toStdString();

        // A selection change quietly leaves no current tool to save or show.
        ui_.boxes.clear();
        page_->tools_view()->selectRow(1);
        page_->tools_view()->selectRow(2);
        page_->recordings_view()->selectRow(1);
        EXPECT_TRUE(ui_.boxes.isEmpty()) << ui_.boxes.join("|").toStdString();
        EXPECT_EQ(page_->current_tool().index, -1);
        EXPECT_FALSE(page_->findChild<QPushButton*>("bn_ToolData")->isEnabled());
        EXPECT_FALSE(page_->findChild<QPushButton*>("bn_ToolParSave")->isEnabled());
        EXPECT_FALSE(page_->findChild<QPushButton*>("bn_RecData")->isEnabled());

        // The same card back: selecting works again without a box.
        p.back();
        ui_.boxes.clear();
        page_->tools_view()->selectRow(0);
        EXPECT_EQ(page_->current_tool().index, 3);
        EXPECT_TRUE(page_->findChild<QPushButton*>("bn_ToolData")->isEnabled());
        EXPECT_TRUE(ui_.boxes.isEmpty()) << ui_.boxes.join("|").toStdString();
        ui_.modal_runs = 0;
    }
}

TEST_F(page_test, data_counts_beyond_the_block_are_clamped_and_shown_as_stored)
{
    // S6's last three tools store DataCnt -5, 0x7FFFFFFF and one past the block.
    card_image::scenario s = card_image::make_scenario("S6");
    std::vector<card_image::tool_entry> kept;
    for (const card_image::tool_entry& t : s.tools)
        if (t.index >= 7)
            kept.push_back(t);
    s.tools = kept;
    use_card(s);
    ASSERT_TRUE(page_->openMonitor(nullptr));
    EXPECT_EQ(column(page_->tools_view(), 7), (QStringList{"-5", "2147483647", "1799937"}));

    // 0 + 2 x 1,799,936 samples of 32 bytes, and 1680 bytes a file.
    ui_.answer = ui::no;
    page_->on_bn_ToolParSaveAll_clicked();
    EXPECT_EQ(ui_.boxes, QStringList{"Confirm: 3 files are selected. Needed disk space about 115.20 MB"});

    int rows = -1;
    ui_.on_modal = [&](QWidget* w) { rows = qobject_cast<c_dlg_pm_data*>(w)->row_count(); };
    const struct {
        int row;
        int rows;
    } tables[] = {{0, 0}, {1, 1799936}, {2, 1799936}};
    for (const auto& t : tables) {
        SCOPED_TRACE(t.row);
        rows = -1;
        page_->tools_view()->selectRow(t.row);
        page_->findChild<QPushButton*>("bn_ToolData")->click();
        EXPECT_EQ(rows, t.rows);
    }
    EXPECT_EQ(ui_.boxes.size(), 1);
}

TEST_F(page_test, the_data_buttons_need_a_current_tool_or_recording)
{
    QPushButton* toolData = nullptr;
    QPushButton* recData = nullptr;
    auto enabled = [&] { return std::make_pair(toolData->isEnabled(), recData->isEnabled()); };

    use_card(card_image::make_scenario("S2"));  // signed, nothing in use, no recordings
    ASSERT_TRUE(page_->openMonitor(nullptr));
    toolData = page_->findChild<QPushButton*>("bn_ToolData");
    recData = page_->findChild<QPushButton*>("bn_RecData");
    EXPECT_EQ(page_->tools_view()->model()->rowCount(), 0);
    EXPECT_EQ(enabled(), std::make_pair(false, false));

    use_card(card_image::make_scenario("S1"));
    ASSERT_TRUE(page_->openMonitor(nullptr));
    toolData = page_->findChild<QPushButton*>("bn_ToolData");
    recData = page_->findChild<QPushButton*>("bn_RecData");
    EXPECT_EQ(enabled(), std::make_pair(true, true));

    // A tool type no tool uses: the filter empties the tools, and with them the recordings.
    int empty = -1;
    box("chb_FilterToolTypes")->setChecked(true);
    for (int r = 0; r < page_->tool_types_view()->model()->rowCount() && empty < 0; ++r) {
        page_->tool_types_view()->selectRow(r);
        if (page_->tools_view()->model()->rowCount() == 0)
            empty = r;
    }
    ASSERT_GE(empty, 0);
    EXPECT_EQ(page_->current_tool().index, -1);
    EXPECT_FALSE(toolData->isEnabled());
    box("chb_FilterToolParameters")->setChecked(true);
    EXPECT_EQ(page_->recordings_view()->model()->rowCount(), 0);
    EXPECT_EQ(page_->current_recording().index, -1);
    EXPECT_FALSE(recData->isEnabled());

    // The filters off: the first rows are current again.
    box("chb_FilterToolParameters")->setChecked(false);
    box("chb_FilterToolTypes")->setChecked(false);
    EXPECT_EQ(enabled(), std::make_pair(true, true));
    EXPECT_TRUE(ui_.boxes.isEmpty()) << ui_.boxes.join("|").toStdString();
}

TEST_F(page_test, a_save_larger_than_the_free_space_asks_again)
{
    card_image::scenario s = card_image::make_scenario("S1");
    std::vector<card_image::tool_entry> kept;
    for (const card_image::tool_entry& t : s.tools)
        if (t.index >= 10)  // DataCnt 0, 100 and 1000: 40,240 bytes
            kept.push_back(t);
    s.tools = kept;
    use_card(s);
    ASSERT_TRUE(page_->openMonitor(nullptr));
    const QString confirm = "Confirm: 3 files are selected. Needed disk space about 0.04 MB";
    const QString warning = "WARNING: The disk has only 0.03 MB free. Save anyway?";
    const struct {
        const char* what;
        qint64 free;
        QList<int> answers;
        QStringList boxes;
        int files;
    } cases[] = {
        {"too little, and No", 30000, {ui::yes, ui::no}, {confirm, warning}, 0},
        {"too little, and Yes", 30000, {ui::yes, ui::yes}, {confirm, warning}, 3},
        {"just enough", 40240, {ui::yes}, {confirm}, 3},
        {"unknown", -1, {ui::yes}, {confirm}, 3},
    };
    QString folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString& f : files())
            QFile::remove(f);
        page_->set_free_space_probe([&](const QString& f) {
            folder = f;
            return c.free;
        });
        ui_.boxes.clear();
        ui_.answers = c.answers;
        page_->on_bn_ToolParSaveAll_clicked();
        EXPECT_EQ(ui_.boxes, c.boxes);
        EXPECT_EQ(files().size(), c.files);
        EXPECT_EQ(folder, QDir::currentPath());
    }
}

TEST(tool_info_panel, cells_of_a_header_and_of_a_free_one)
{
    ui_testing::test_app();
    uint8_t sector[512] = {};
    sector[0] = 1;
    le::put16(sector + 77, 250);     // MissingTolerance
    le::put16(sector + 100, 400);    // BluntTolerance
    le::put32(sector + 122, 0x13);   // BreakOptions
    le::put16(sector + 135, uint32_t(-5));  // BreakRange
    le::put16(sector + 165, 1234);   // IdleLimit
    QStringList t;
    c_gbw_pm_toolinfo::modeParCellText(0, sector, &t);
    EXPECT_EQ(t[6], "0013");
    EXPECT_EQ(t[7], "-5");
    EXPECT_EQ(t[4], "");  // no work value in the Break row
    c_gbw_pm_toolinfo::modeParCellText(1, sector, &t);
    EXPECT_EQ(t[2], QString("4") + QLocale().decimalPoint() + "00");
    c_gbw_pm_toolinfo::modeParCellText(3, sector, &t);
    EXPECT_EQ(t, QStringList{"overflow!!"});

    // Under a decimal comma the field takes the system's sign; the table's percentages keep
    // the "." of every other cell of the table.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    c_gbw_pm_toolinfo panel;
    panel.setRecord(sector);
    EXPECT_EQ(panel.findChild<QLineEdit*>("ebx_IdleLimit")->text(), "12,34");
    le::put16(sector + 98, 1234);   // BluntLimit
    le::put16(sector + 106, 5);     // BluntWork
    c_gbw_pm_toolinfo::modeParCellText(1, sector, &t);
    EXPECT_EQ(t[1], "12.34");
    EXPECT_EQ(t[2], "4.00");
    EXPECT_EQ(t[4], "0.05");
    c_gbw_pm_toolinfo::modeParCellText(2, sector, &t);
    EXPECT_EQ(t[2], "2.50");
    QLocale::setDefault(before);

    // The form's two spare fields: there, "99999", outside the visible area.
    for (const char* name : {"ebx_DataMax_6", "ebx_DataMax_8"}) {
        SCOPED_TRACE(name);
        auto* spare = panel.findChild<QLineEdit*>(name);
        ASSERT_NE(spare, nullptr);
        EXPECT_EQ(spare->text(), "99999");
        EXPECT_FALSE(panel.rect().intersects(spare->geometry()));
    }

    sector[0] = 0;  // nothing in use
    panel.setRecord(sector);
    EXPECT_EQ(panel.findChild<QLineEdit*>("eb_DataOptions")->text(), "----");
    EXPECT_EQ(panel.findChild<QLineEdit*>("ebx_DataCnt")->text(), "0");
    c_gbw_pm_toolinfo::modeParCellText(1, sector, &t);
    EXPECT_EQ(t, QStringList(QVector<QString>(8, "---").toList()));
}

}  // namespace
