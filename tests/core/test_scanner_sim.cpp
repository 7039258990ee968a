// The scanner-set and customer-configuration files against the simulated controller: user
// sets written, cleared and read; a customer configuration sent as 36 records; the scanner
// lists from the controller lined up with the installed scannerx.lst.
#include <QDir>
#include <QFile>
#include <QStandardItemModel>

#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/files/parameter_files.h"
#include "core/files/scanner_lists.h"
#include "core/files/scanner_params.h"
#include "core/files/scanner_sets.h"
#include "support/test_support.h"
#include "tests/core/device_sim_fixture.h"

namespace dp = device_protocol;

class ScannerSim : public device_sim_test {
protected:
    void SetUp() override
    {
        device_sim_test::SetUp();
        ASSERT_TRUE(init_app_dirs(QString::fromStdString(app.path()),
                                  QString::fromStdString(data.path()) + "/Tarvix/Tarvix_QT"));
        reset_scanner_params();
        g_host_context().data_source = [this] { return source; };
    }
    static QByteArray bytes_of(const std::vector<uint8_t>& v)
    {
        return QByteArray(reinterpret_cast<const char*>(v.data()), int(v.size()));
    }

    testing_support::temp_dir app;
    testing_support::temp_dir data;
    int source = 1;
};

TEST_F(ScannerSim, UserSetWrittenClearedAndRead)
{
    scanner_param_state& s = g_scanner_params();
    s.source = 1;
    s.user_set = 1;
    s.user.set_name("My wand");
    for (int off = 16; off < scanner_record::size; off += 4)
        s.user.set_word(off, off * 3 - 100);
    const scanner_record written = s.user;
    error_record e;
    ASSERT_TRUE(send_scanner_parameters(false, e)) << e.type << "/" << e.code;
    const std::vector<uint8_t>& set = world().scanner_sets[129];
    ASSERT_EQ(set.size(), size_t(scanner_record::size));
    EXPECT_TRUE(std::equal(set.begin(), set.end(), written.bytes.begin()));
    EXPECT_TRUE(world().scanner_sets[128].empty());  // the other user set untouched

    s.user.clear();
    ASSERT_TRUE(read_user_controller_params(-1, e)) << e.code;
    EXPECT_EQ(s.user, written);

    ASSERT_TRUE(send_scanner_parameters(true, e));
    EXPECT_TRUE(world().scanner_sets[129].empty());
    ui_.boxes.clear();
    EXPECT_FALSE(read_user_controller_params(-1, e));
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_TRUE(ui_.boxes[0].contains("Keine User-Reglerparameter 1")) << ui_.boxes[0].toStdString();
}

TEST_F(ScannerSim, CustomerConfigurationSentAs36Records)
{
    std::vector<uint8_t> file(2100);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = uint8_t(i * 13 + 1);
    file[0] = 7;
    file[1] = file[2] = file[3] = 0;
    ASSERT_TRUE(QDir(QString::fromStdString(app.path())).mkpath("tvx_Config"));
    g_customer_config().name = "5206252_K7";
    g_customer_config().path = customer_config_path(g_customer_config().name);
    QFile f(g_customer_config().path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes_of(file));
    f.close();

    ASSERT_TRUE(send_scanner_configuration_file());
    EXPECT_EQ(sent.size(), 36u);
    EXPECT_TRUE(world().records36_complete);
    EXPECT_EQ(world().records36_received, (uint64_t(1) << 36) - 1);
    EXPECT_TRUE(std::equal(world().records36.begin(), world().records36.end(), file.begin()));
    EXPECT_EQ(world().configuration_number, 7);
    // The flag the write leaves set is cleared by the caller's guard.
    EXPECT_EQ(g_dev_commands().update_in_progress, 0);
}

TEST_F(ScannerSim, ControllerListsLineUpWithTheInstalledList)
{
    const QString installed = QString::fromStdString(testing_support::source_dir()) + "/data/scannerx.lst";
    ASSERT_TRUE(QFile::copy(installed, app_file("scannerx.lst")));
    struct {
        const char* profile;
        uint8_t family;
    } cases[] = {{"premium-pm-x", 0x34}, {"basic", 0x10}, {"basic-b", 0x60}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile);
        reset_scanner_lists_for_tests();
        read_scanner_list();
        ASSERT_EQ(g_scanner_lists().count, 10);

        // From the controller: the family comes from the controller itself.
        profile(c.profile);
        g_device().family_code = 0;
        source = 1;
        QStandardItemModel from_device;
        error_record e;
        ASSERT_TRUE(rebuild_scanner_lists(&from_device, nullptr, e));
        EXPECT_EQ(g_device().family_code, c.family);
        EXPECT_EQ(g_scanner_lists().count, 10);
        EXPECT_EQ(g_scanner_lists().auto_detect_set, 3);

        // From the file, as for a program opened from disk: the family follows the variant
        // flags the controller left.
        source = 2;
        EXPECT_EQ(family_code_from_flags() >> 4, c.family == 0x34 ? 3 : c.family >> 4);
        reset_scanner_lists_for_tests();
        read_scanner_list();
        QStandardItemModel from_file;
        ASSERT_TRUE(rebuild_scanner_lists(&from_file, nullptr, e)) << e.code;

        // The scanner rows (ids below the user sets) name the same scanners at the same ids.
        auto scanners = [](const QStandardItemModel& m) {
            std::map<int, QString> rows;
            for (int r = 0; r < m.rowCount(); ++r) {
                int id = m.index(r, 1).data(Qt::EditRole).toInt();
                if (id < 10)
                    rows[id] = m.index(r, 0).data(Qt::EditRole).toString().left(4);
            }
            return rows;
        };
        auto file_rows = scanners(from_file);
        auto device_rows = scanners(from_device);
        ASSERT_FALSE(file_rows.empty());
        EXPECT_EQ(file_rows.size(), device_rows.size());
        for (const auto& [id, prefix] : file_rows) {
            ASSERT_TRUE(device_rows.count(id)) << id;
            if (id != 0) {  // row 0 is the auto-detect row on the controller
                EXPECT_EQ(device_rows[id], prefix) << id;
            }
        }
    }
}
