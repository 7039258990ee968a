// The scanner code list of scannerx.lst and the scanner rows built from the file or from the
// controller's scanner sets, filtered by the device family.
#include <QSortFilterProxyModel>
#include <QStandardItemModel>

#include "core/files/scanner_sets.h"
#include "fake_scanner_sets.h"
#include "files_fixture.h"

namespace {
struct row {
    QString text;
    int id;
    bool operator==(const row& o) const { return text == o.text && id == o.id; }
};
std::ostream& operator<<(std::ostream& os, const row& r)
{
    return os << "{" << r.text.toStdString() << ", " << r.id << "}";
}
std::vector<row> rows_of(const QStandardItemModel& m)
{
    std::vector<row> out;
    for (int r = 0; r < m.rowCount(); ++r)
        out.push_back({m.index(r, 0).data(Qt::EditRole).toString(), m.index(r, 1).data(Qt::EditRole).toInt()});
    return out;
}
std::vector<int> ids_of(const QStandardItemModel& m)
{
    std::vector<int> out;
    for (const row& r : rows_of(m))
        out.push_back(r.id);
    return out;
}
}  // namespace

class scanner_lists : public files_test {
protected:
    void SetUp() override
    {
        files_test::SetUp();
        g_host_context().family_code = [this] { return family; };
        g_host_context().data_source = [this] { return source; };
    }
    void install_fixture()
    {
        QFile::remove(app_file("scannerx.lst"));
        ASSERT_TRUE(QFile::copy(QString::fromStdString(testing_support::source_dir()) +
                                    "/tests/core/fixtures/scannerx_families.lst",
                                q(app.file("scannerx.lst"))));
    }
    // Sets lined up with the fixture: counted entries 0 to 6, one reserved set skipped.
    void controller_sets()
    {
        dev.add(0, "P000 Std");
        dev.add(1, "P001 A");
        dev.add(2, "ZP Reserved");
        dev.add(3, "pLower");
        dev.add(4, "Wand X");
        dev.add(5, "P000 Std");
        dev.add(6, "P005 C");
        dev.add(7, "P006 D");
        dev.add(0x80, "My User");
        dev.install();
    }
    uint8_t family = 0x34;
    int source = 2;
    fake_scanner_device dev;
    QStandardItemModel model;
    QSortFilterProxyModel proxy;
    error_record err;
};

TEST_F(scanner_lists, reading_the_list_file_keeps_codes_in_file_order)
{
    install_fixture();
    read_scanner_list();
    ASSERT_EQ(g_scanner_lists().count, 7);
    EXPECT_EQ(g_scanner_lists().codes[0], 0x00040001u);
    EXPECT_EQ(g_scanner_lists().codes[6], 0x000F0007u);
    EXPECT_TRUE(shown.empty());

    QFile::remove(app_file("scannerx.lst"));
    read_scanner_list();
    EXPECT_EQ(g_scanner_lists().count, 0);
    EXPECT_TRUE(shown.empty());
}

TEST_F(scanner_lists, list_format_errors_stop_with_the_lines_read_before)
{
    struct row {
        QByteArray text;
        int count;
        int code;
    };
    QByteArray fifty_five;
    for (int i = 0; i < 55; ++i)
        fifty_five += QByteArray::number(0x10000 + i, 16).rightJustified(8, '0') + " P" + QByteArray::number(i) + "\r\n";
    const row rows[] = {
        {"00010000 A\r\n00010001 \r\n00010002 C\r\n", 1, 27},  // blank, no attribute
        {"00010000 A\n\n00010001 B\n", 2, 0},                  // empty line skipped, LF ends
        {"00010000 A\r\nzz010001 B\r\n", 1, 62},               // no hexadecimal number
        {"00010000 \x01X\r\n", 0, 27},                         // attribute outside 34..126
        {fifty_five, 50, 0},                                   // the list keeps 50
    };
    for (const row& r : rows) {
        scanner_list_state s;
        error_record e;
        parse_scanner_list(r.text, s, e);
        EXPECT_EQ(s.count, r.count) << r.text.toStdString();
        EXPECT_EQ(e.code, r.code) << r.text.toStdString();
        if (r.code) {
            EXPECT_EQ(e.severity, err_severity_error);
        }
    }
}

TEST_F(scanner_lists, rebuild_from_the_file_filters_by_family)
{
    install_fixture();
    struct row_case {
        uint8_t family;
        std::vector<int> ids;  // model order: last added first
    };
    const row_case cases[] = {
        {0x34, {8, 7, 6, 2, 0}},  // bit 18, user rows shown
        {0x20, {8, 7, 6, 2, 1}},  // bit 17
        {0x10, {6, 4, 3}},        // bit 16, no user rows
        {0x60, {5, 4}},           // bit 21, no user rows
    };
    for (const row_case& c : cases) {
        family = c.family;
        EXPECT_TRUE(rebuild_scanner_lists(&model, &proxy, err));
        EXPECT_EQ(err.code, 0);
        EXPECT_EQ(ids_of(model), c.ids) << int(c.family);
        EXPECT_EQ(g_scanner_lists().count, 7);
        EXPECT_EQ(g_scanner_lists().texts.size(), 7);  // every entry, shown or not
        EXPECT_EQ(proxy.sourceModel(), &model);
    }
    family = 0x34;
    rebuild_scanner_lists(&model, &proxy, err);
    const std::vector<row> rows = rows_of(model);
    EXPECT_EQ(rows.front(), (row{"USER_1_NotDef", 8}));
    EXPECT_EQ(rows.back(), (row{"P000 Standard (PM only)", 0}));
    EXPECT_EQ(g_scanner_lists().texts[1], QString("P001 Premium-only scanner"));
    EXPECT_EQ(g_scanner_lists().codes[7], 0xE0000u);
    EXPECT_EQ(g_scanner_lists().auto_detect_text, QString(".ZP_AutoDetect"));
    EXPECT_EQ(model.columnCount(), 2);
}

TEST_F(scanner_lists, rebuild_from_the_file_counts_short_lists_and_reports_a_missing_file)
{
    write(q(app.file("scannerx.lst")), "00040001 A\r\nshort\r\n00040002 B\r\n00040003 C\r\n00040004 D\r\n");
    EXPECT_FALSE(rebuild_scanner_lists(&model, &proxy, err));  // four entries
    EXPECT_EQ(model.rowCount(), 6);
    EXPECT_EQ(g_scanner_lists().texts.size(), 4);

    write(q(app.file("scannerx.lst")), "00040001 A\r\nxyz0000k B\r\n00040003 C\r\n");
    rebuild_scanner_lists(&model, &proxy, err);
    EXPECT_EQ(err.code, 27);
    EXPECT_EQ(g_scanner_lists().count, 1);

    QFile::remove(q(app.file("scannerx.lst")));
    EXPECT_FALSE(rebuild_scanner_lists(&model, &proxy, err));
    ASSERT_FALSE(ui_fake.prompts().empty());
    EXPECT_EQ(ui_fake.prompts().back().title, QString("Error"));
    EXPECT_EQ(ui_fake.prompts().back().text, QString("Error: File SCANNER.LST not found!"));
}

TEST_F(scanner_lists, rebuild_from_the_controller_names_rows_and_finds_the_auto_detected_set)
{
    install_fixture();
    read_scanner_list();
    controller_sets();
    source = 1;
    EXPECT_TRUE(rebuild_scanner_lists(&model, &proxy, err));
    const std::vector<row> expected = {
        {"USER_1_NotDef", 129}, {"USER_0_My_User", 128}, {"P006_D", 6}, {"pLower", 2}, {".ZP_AutoDetect", 0}};
    EXPECT_EQ(rows_of(model), expected);
    EXPECT_EQ(g_scanner_lists().count, 7);
    EXPECT_EQ(g_scanner_lists().texts,
              QStringList({".ZP_AutoDetect", "P001_A", "pLower", "P003 (Wand_X)", "P000_Std", "P005_C", "P006_D"}));
    EXPECT_EQ(g_scanner_lists().auto_detect_set, 5);
    EXPECT_EQ(g_scanner_lists().auto_detect_text, QString("P005_Std*"));
    EXPECT_EQ(g_scanner_lists().user_set_flags, (std::array<uint8_t, 2>{1, 0}));

    // The same ids pass the filter from the file and from the controller.
    for (uint8_t f : {0x10, 0x60, 0x34}) {
        family = f;
        source = 2;
        rebuild_scanner_lists(&model, &proxy, err);
        std::vector<int> from_file;
        for (int id : ids_of(model))
            if (id < 7)
                from_file.push_back(id);
        source = 1;
        rebuild_scanner_lists(&model, &proxy, err);
        std::vector<int> from_device;
        for (int id : ids_of(model))
            if (id < 7)
                from_device.push_back(id);
        EXPECT_EQ(from_file, from_device) << int(f);
        const bool users = f == 0x34;
        EXPECT_EQ(model.rowCount(), int(from_device.size()) + (users ? 2 : 0)) << int(f);
    }
}

TEST_F(scanner_lists, an_unreadable_set_0_gives_error_auto_detect_and_four_sets_answer_false)
{
    install_fixture();
    read_scanner_list();
    dev.add(1, "P001 A");
    dev.add(2, "P002 B");
    dev.add(3, "P003 C");
    dev.install();
    source = 1;
    family = 0x34;
    EXPECT_FALSE(rebuild_scanner_lists(&model, &proxy, err));
    EXPECT_EQ(g_scanner_lists().auto_detect_text, QString("ErrorAutoDetect"));
    EXPECT_EQ(g_scanner_lists().texts, QStringList({".ZP_AutoDetect", "P001_A", "P002_B", "P003_C"}));
    EXPECT_EQ(rows_of(model).back(), (row{".ZP_AutoDetect", 0}));
    for (const std::string& req : dev.log)
        EXPECT_TRUE(req.rfind("r 12", 0) != 0) << "user sets are read only from 5 entries on";
}

TEST_F(scanner_lists, scanner_set_readers)
{
    controller_sets();
    error_record e;
    EXPECT_EQ(count_supported_scanners(e), 2);  // stops at "ZP Reserved"
    EXPECT_FALSE(e.failed());
    dev.sets.erase(2);
    dev.add(2, "user 7");
    EXPECT_EQ(count_supported_scanners(e), 2);  // stops at "USER" in any case
    dev.sets.erase(2);
    EXPECT_EQ(count_supported_scanners(e), 2);  // and at a set the controller does not have
    EXPECT_FALSE(e.failed());
    // A read that fails is no end of the list: the count says so.
    dev.fail_with.set(err_type_usb_host, 10);
    dev.fail_after = 1;
    EXPECT_EQ(count_supported_scanners(e), 1);
    EXPECT_EQ(e.type, err_type_usb_host);
    EXPECT_EQ(e.code, 10);
    dev.fail_with.clear();

    probe_scanner_text();
    EXPECT_EQ(g_scanner_lists().auto_detect_text, QString("P000 Std*"));
    dev.sets.erase(0);
    probe_scanner_text();
    EXPECT_EQ(g_scanner_lists().auto_detect_text, QString("ErrorAutoDetect"));

    // The chosen user set: four blocks with progress into the scanner page's record.
    g_scanner_params().user_set = 0;
    dev.log.clear();
    ASSERT_TRUE(read_user_controller_params(-1, err));
    EXPECT_EQ(dev.log, (std::vector<std::string>{"r 128/0", "r 128/1", "r 128/2", "r 128/3"}));
    EXPECT_EQ(g_scanner_params().user, dev.sets[0x80]);
    EXPECT_EQ(ui_fake.progress_values, (std::vector<int>{0, 20, 40, 60}));

    g_scanner_params().user_set = 1;
    EXPECT_FALSE(read_user_controller_params(-1, err));
    ASSERT_FALSE(ui_fake.prompts().empty());
    EXPECT_EQ(ui_fake.prompts().back().title, QString("WARNING"));
    EXPECT_EQ(ui_fake.prompts().back().text, QString("Keine User-Reglerparameter 1 im TVX vorhanden!"));
    EXPECT_EQ(g_scanner_params().user.name(), QString());

    // A newer controller whose set uses the words 204 to 220 warns with host error 23.
    g_scanner_params().user_set = 0;
    dev.sets[0x80].set_word(212, 5);
    g_host_context().revision_code = [] { return uint32_t{0x3234344B}; };
    shown.clear();
    EXPECT_TRUE(read_user_controller_params(-1, err));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].code, 23);
    EXPECT_EQ(shown[0].severity, err_severity_warning);
    g_host_context().revision_code = [] { return uint32_t{0x3233344B}; };
    shown.clear();
    EXPECT_TRUE(read_user_controller_params(-1, err));
    EXPECT_TRUE(shown.empty());

    // A given set reads its first block only.
    dev.log.clear();
    EXPECT_TRUE(read_user_controller_params(4, err));
    EXPECT_EQ(dev.log, (std::vector<std::string>{"r 4/0"}));
    EXPECT_EQ(g_scanner_params().user.name(), QString("Wand X"));

    dev.idle_times_out = true;
    shown.clear();
    EXPECT_FALSE(read_user_controller_params(-1, err));
    EXPECT_EQ(err.code, 4);
    ASSERT_EQ(shown.size(), 1u);
}

TEST_F(scanner_lists, controller_sets_beyond_the_code_list_stay_hidden)
{
    QByteArray lines;
    for (int i = 0; i < 60; ++i)
        lines += "00040000 S" + QByteArray::number(i) + "\r\n";
    write(q(app.file("scannerx.lst")), lines);
    read_scanner_list();
    ASSERT_EQ(g_scanner_lists().count, 50);
    for (int set = 0; set < 55; ++set)
        dev.add(set, QString("P%1").arg(set, 3, 10, QChar('0')));
    dev.install();
    source = 1;
    EXPECT_TRUE(rebuild_scanner_lists(&model, &proxy, err));
    EXPECT_EQ(g_scanner_lists().count, 55);
    EXPECT_EQ(g_scanner_lists().texts.size(), 55);
    const std::vector<int> ids = ids_of(model);
    EXPECT_EQ(ids.size(), 52u);  // 50 sets and the two user rows
    for (int id : ids)
        EXPECT_TRUE(id < 50 || id >= 128) << id;
}

TEST_F(scanner_lists, installed_list_and_settings_files_read_cleanly)
{
    const QString src = QString::fromStdString(testing_support::source_dir()) + "/data/";
    scanner_list_state s;
    error_record e;
    parse_scanner_list(read(src + "scannerx.lst"), s, e);
    EXPECT_EQ(e.code, 0);
    EXPECT_EQ(s.count, 10);
    for (uint8_t f : {0x10, 0x20, 0x34, 0x40, 0x60}) {
        int offered = 0;
        for (int i = 0; i < s.count; ++i)
            offered += (s.codes[i] >> (15 + (f >> 4))) & 1;
        EXPECT_GE(offered, 2) << int(f);
    }
    konfig_settings k;
    parse_konfig_cfg(read(src + "KONFIG.CFG"), k);
    EXPECT_EQ(format_konfig_cfg(k), read(src + "KONFIG.CFG"));
}
