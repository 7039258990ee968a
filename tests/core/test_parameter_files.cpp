// Scanner parameter files, scanner sets written to the controller, the customer
// configuration sent as 36 records, and the buffer helpers of the update flows.
#include <QDir>
#include <QFileInfo>

#include "core/files/file_paths.h"
#include "core/files/parameter_files.h"
#include "core/files/scanner_sets.h"
#include "fake_scanner_sets.h"
#include "files_fixture.h"

class parameter_files : public files_test {
protected:
    QString sp(const char* name) { return data_file(QString("cd_data/") + name); }
    scanner_record sample()
    {
        scanner_record r;
        r.set_name("Wand 42");
        for (int off = 16; off < 224; off += 4)
            r.set_word(off, off * 3 - 100);
        return r;
    }
    fake_scanner_device dev;
    error_record err;
};

TEST_F(parameter_files, scanner_record_fields_and_name)
{
    scanner_record r;
    r.set_name("A name longer than fifteen");
    EXPECT_EQ(r.name(), QString("A name longer t"));
    EXPECT_EQ(r.bytes[15], 0);
    const field_desc* f = scanner_record::fields().find("V_IntensityMax");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->offset, 136);
    r.set_word(f->offset, -2);
    EXPECT_EQ(r.bytes[136], 0xFE);
    EXPECT_EQ(r.bytes[139], 0xFF);
    EXPECT_EQ(r.word(136), -2);
    // The table covers the record without gaps or overlaps.
    uint32_t next = 0;
    for (const field_desc& fld : scanner_record::fields()) {
        EXPECT_EQ(fld.offset, next) << fld.name;
        next = fld.end();
    }
    EXPECT_EQ(next, uint32_t(scanner_record::size));
}

TEST_F(parameter_files, scanner_file_saved_and_loaded_round_trip)
{
    g_scanner_params().source = 2;
    g_scanner_params().file_name = sp("Wand42.sp");
    g_scanner_params().user = sample();
    g_host_context().change_flags() = 0xFF;
    ASSERT_TRUE(send_scanner_parameters(false, err));
    EXPECT_EQ(g_host_context().change_flags(), 0xF5u);
    ASSERT_FALSE(ui_fake.prompts().empty());
    EXPECT_EQ(ui_fake.prompts().back().text, QString("File save successfull!"));
    EXPECT_EQ(QFileInfo(sp("Wand42.sp")).size(), 224);

    g_scanner_params().user.clear();
    int code = -1;
    ASSERT_TRUE(check_configuration_file_size(code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(g_scanner_params().user, sample());
    EXPECT_EQ(g_scanner_params().device_copy, sample());
    EXPECT_EQ(g_scanner_params().title, QString("Wand42"));
}

TEST_F(parameter_files, scanner_file_of_another_size_or_missing)
{
    g_scanner_params().file_name = sp("short.sp");
    write(g_scanner_params().file_name, QByteArray(223, 'x'));
    g_scanner_params().user = sample();
    int code = 0;
    EXPECT_FALSE(check_configuration_file_size(code));
    EXPECT_EQ(code, 2);
    EXPECT_EQ(g_scanner_params().user, scanner_record{});
    ASSERT_FALSE(ui_fake.prompts().empty());
    EXPECT_EQ(ui_fake.prompts().back().title, QString("Warning"));
    EXPECT_EQ(ui_fake.prompts().back().text, QString("Konfig-File has illegal size!"));

    // The start-up name, spelled with a backslash, names no file: success, zero record.
    reset_scanner_params();
    g_scanner_params().user = sample();
    EXPECT_TRUE(check_configuration_file_size(code));
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(g_scanner_params().no_file);
    EXPECT_EQ(g_scanner_params().user, scanner_record{});
    EXPECT_EQ(g_scanner_params().title, default_scanner_title());
}

TEST_F(parameter_files, scanner_file_that_cannot_be_written_keeps_the_old_one)
{
    g_scanner_params().source = 2;
    g_scanner_params().file_name = q(app.file("no-dir/x.sp"));
    g_scanner_params().user = sample();
    EXPECT_FALSE(send_scanner_parameters(false, err));
    EXPECT_EQ(err.code, 63);
    EXPECT_EQ(err.argument, ENOENT);
    ASSERT_EQ(shown.size(), 1u);
}

TEST_F(parameter_files, user_set_written_cleared_and_read_on_the_controller)
{
    dev.install();
    g_scanner_params().source = 1;
    g_scanner_params().user_set = 1;
    g_scanner_params().user = sample();
    ASSERT_TRUE(send_scanner_parameters(false, err));
    EXPECT_EQ(dev.log, (std::vector<std::string>{"w 129/0", "w 129/1", "w 129/2", "w 129/3"}));
    EXPECT_EQ(dev.sets[0x81], sample());
    EXPECT_EQ(ui_fake.progress_titles.back(), QString("Sending data to Tarvix. Please wait ..."));
    EXPECT_EQ(ui_fake.prompts().back().text, QString("Save Data to Tarvix successfull!"));
    EXPECT_FALSE(ui_fake.progress_shown());

    g_scanner_params().user.clear();
    ASSERT_TRUE(read_user_controller_params(-1, err));
    EXPECT_EQ(g_scanner_params().user, sample());

    ASSERT_TRUE(send_scanner_parameters(true, err));
    EXPECT_EQ(dev.log.back(), "c 129");
    EXPECT_EQ(dev.sets.count(0x81), 0u);
    EXPECT_FALSE(read_user_controller_params(-1, err));

    // The first failing block ends the write and is shown.
    dev.fail_with.set(err_type_device, 14);
    dev.fail_after = 2;
    dev.log.clear();
    shown.clear();
    EXPECT_FALSE(send_scanner_parameters(false, err));
    EXPECT_EQ(dev.log.size(), 3u);
    EXPECT_EQ(err.code, 14);
    EXPECT_EQ(err.type, err_type_device);
    ASSERT_EQ(shown.size(), 1u);

    dev.idle_times_out = true;
    dev.log.clear();
    EXPECT_FALSE(send_scanner_parameters(false, err));
    EXPECT_EQ(err.code, 4);
    EXPECT_TRUE(dev.log.empty());
}

TEST_F(parameter_files, customer_configuration_is_sent_as_36_records)
{
    dev.install();
    ASSERT_TRUE(QDir().mkpath(q(app.file("tvx_config"))));
    QByteArray bytes;
    for (int i = 0; i < 2100; ++i)
        bytes += char(i * 7);
    write(q(app.file("tvx_config/ACME.bin")), bytes);
    g_customer_config().name = "ACME";
    g_customer_config().path = customer_config_path("ACME");  // spelled tvx_Config, found as tvx_config
    ASSERT_TRUE(send_scanner_configuration_file());
    EXPECT_EQ(dev.log, (std::vector<std::string>{"records36 ACME"}));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(dev.records36.data()), 2016), bytes.left(2016));

    write(q(app.file("tvx_config/ACME.bin")), bytes.left(2015));
    EXPECT_FALSE(send_scanner_configuration_file());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].code, 59);

    g_customer_config().path = customer_config_path("missing");
    EXPECT_FALSE(send_scanner_configuration_file());
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].code, 42);
    EXPECT_EQ(shown[1].severity, err_severity_error);
}

TEST_F(parameter_files, file_buffer_refuses_files_it_cannot_hold)
{
    file_buffer buf;
    EXPECT_FALSE(load_file_buffer("", buf));
    EXPECT_FALSE(load_file_buffer(q(app.file("none")), buf));
    write(q(app.file("fw.bin")), QByteArray(1000, 'a'));
    ASSERT_TRUE(load_file_buffer(q(app.file("fw.bin")), buf));
    EXPECT_EQ(buf.length, 1000u);
    EXPECT_EQ(buf.position, 0u);
    write(q(app.file("big.bin")), QByteArray(0x100001, 'b'));
    error_record e;
    EXPECT_FALSE(load_file_buffer(q(app.file("big.bin")), buf, &e));
    EXPECT_EQ(e.code, 31);
    QFile f(q(app.file("fw.bin")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    f.seek(10);
    EXPECT_EQ(file_size(f), 1000);
    EXPECT_EQ(f.pos(), 10);
}

TEST_F(parameter_files, current_scanner_file_renamed_to_the_title)
{
    write(sp("old.sp"), QByteArray(224, 0));
    g_scanner_params().file_name = sp("old.sp");
    g_scanner_params().title = "NewName";
    EXPECT_TRUE(rename_current_scanner_file());
    EXPECT_EQ(g_scanner_params().file_name, QFileInfo(sp("x")).absolutePath() + "/NewName.sp");
    EXPECT_FALSE(rename_current_scanner_file());  // the new name is no file yet
    g_scanner_params().file_name = sp("old.sp");
    EXPECT_TRUE(update_current_file_base_name());
    EXPECT_EQ(g_scanner_params().title, QString("old"));
}
