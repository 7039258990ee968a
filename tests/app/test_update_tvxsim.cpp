// The update flows end to end: the main window runs the real flashcli against the tvxsim
// process, which keeps the controller's versions across its restarts. FW Update with the
// loader exchange, the logic download and its power fail, the PROFINET image, a controller
// that runs only its loader or stays silent, and bad input, each ending with its box and a
// controller that answers afterwards.
#include "update_fixture.h"

#include <QFile>
#include <functional>
#include <fstream>
#include <iterator>

#include "app/update_files.h"
#include "widgets/c_my_led.h"
#include "widgets/led_styles.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

using namespace update_testing;
using update_images::logic_record;
using update_images::version;

QString message(long n) { return QString::fromLatin1(txt_message(n).c_str()); }
QString label(long n) { return QString::fromLatin1(txt_label(n).c_str()); }
QString host_text(long n) { return QString::fromLatin1(txt_error(1, n).value_or("").c_str()); }
QString record_text(int16_t type, int16_t code, int16_t kind, int32_t argument)
{
    error_record e;
    e.set(type, code, err_severity_error, kind, argument);
    return QString::fromLatin1(error_record_text(e).c_str());
}

// Seven records, all at the controller's logic 3.20 unless a test changes one.
std::vector<logic_record> current_logic()
{
    std::vector<logic_record> r;
    for (uint16_t i = 0; i < 7; ++i)
        r.push_back({3, 20, uint16_t(48 + 16 * i)});
    return r;
}

// The installed files of a controller that is up to date (firmware 1.16.02, loader 1.05).
update_images::installed_set current_files()
{
    update_images::installed_set s;
    s.firmware = {1, 16, 2, 0};
    s.loader = {1, 5, 0, 0};
    s.logic = current_logic();
    return s;
}

std::vector<uint8_t> read_bytes(const std::string& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class update : public update_world {
public:
    // Everything the output pane showed, over all runs.
    void watch_output()
    {
        QObject::connect(g_objects().runner, &c_sndhex::sndHexOutput, window.get(),
                         [this] { shown = g_objects().output_pane->toPlainText(); all += shown; });
    }
    QString shown, all;
};

TEST_F(update, fw_update_exchanges_the_loader_and_programs_the_newer_firmware)
{
    ask("version firmware 1 16 50");
    update_images::installed_set files = current_files();
    files.firmware = {1, 17, 6, 0};
    files.loader = {1, 6, 0, 0};
    start(files);
    watch_output();
    const QString firmware = QString::fromStdString(path(update_images::firmware_name(files.firmware)));
    script.expect_warning(message(67), ui::ok)
        .expect_question(QStringLiteral("The current FW version of the control unit is 1.16.50.000.\nThere is a newer "
                                        "Version 1.17.06.000 available.\n") + message(83),
                         ui::yes)
        .expect_open_file(firmware, QStringLiteral("Select Tarvix firmware file ..."))
        .expect_question(QStringLiteral("Is the selected HEX-File \"%1\" OK?\nTo start programming, press the YES-Button!")
                             .arg(firmware),
                         ui::yes)
        .expect_information(label(452));
    const uint64_t before = hid_reports_received();
    window->on_ac_FW_Update_triggered();
    EXPECT_TRUE(script.verify_consumed());
    EXPECT_EQ(g_dev_commands().update_in_progress, 0);

    EXPECT_EQ(ask("versions").substr(0, 35), "firmware 1.17.06.000 loader 1.06.00");
    // The pane showed flashcli's progress.
    EXPECT_TRUE(all.contains(QStringLiteral("DOWNLOAD FSW-HEX FLASH"))) << all.toStdString();
    EXPECT_FALSE(g_objects().output_pane->isVisible());
    // The controller reports the new versions, and the status panel keeps being fed.
    EXPECT_EQ(g_device_info().firmware.minor, 17);
    EXPECT_EQ(g_device_info().firmware.patch, 6);
    EXPECT_EQ(g_device_info().loader.minor, 6);
    ASSERT_TRUE(answers());
    EXPECT_GT(hid_reports_received(), before);
    // The online LED blinks green again.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window->led_STB_Online->styleSheet() == led_style_sheets()[led_green]; }, 20000));
}

TEST_F(update, the_redesigned_hardware_takes_its_own_files_and_skips_the_logic)
{
    ask("version redesign 1");
    ask("version firmware 1 16 50");
    update_images::installed_set files = current_files();
    files.firmware = {1, 17, 6, 0};
    files.loader = {1, 6, 0, 0};
    files.redesign = true;
    start(files);
    ASSERT_TRUE(g_device_info().redesign);
    const QString firmware = QString::fromStdString(path("tvx_fsw/F355_117.06.000.hexx"));
    script.expect_warning(message(67), ui::ok)
        .expect_box_containing(ui::box_kind::question, ui::title_confirm(), QStringLiteral("1.17.06.000"), ui::yes)
        .expect_open_file(firmware)
        .expect_box_containing(ui::box_kind::question, ui::title_confirm(), QStringLiteral("F355_117.06.000.hexx"), ui::yes)
        .expect_information(label(452));
    ask("loader-log-clear");
    window->on_ac_FW_Update_triggered();
    EXPECT_TRUE(script.verify_consumed());
    EXPECT_EQ(ask("versions").substr(0, 35), "firmware 1.17.06.000 loader 1.06.00");
    // Two loader lines (a loader image into RAM and its programming image), the firmware into
    // sectors 4 to 10; no logic line.
    const std::string log = lines("loader-log");
    EXPECT_NE(log.find("erase 4-10"), std::string::npos) << log;
    EXPECT_EQ(log.find("range 4015000"), std::string::npos) << log;
}

TEST_F(update, logic_download_walks_to_the_familys_record_and_a_power_fail_keeps_the_old_version)
{
    ask("profile premium-22");
    update_images::installed_set files = current_files();
    files.logic[3] = {4, 30, 200};
    start(files);
    uint32_t position = 0, length = 0;
    update_images::logic_record_place(files.logic, 3, position, length);
    const QString current = QStringLiteral("The current FW version of the control unit is 1.16.02.045.\nDo you want to program another FW?");

    // A power fail keeps 3.20: message 66, then the update goes on to its end.
    ask("power-fail 1");
    script.expect_warning(message(67), ui::ok)
        .expect_question(current, ui::no)
        .expect_error(QStringLiteral("Logic update on Version 4.30 failed due to power fail!\nThe actual Version is "
                                     "3.20.\nPlease start update again!"))
        .expect_information(label(452));
    window->on_ac_FW_Update_triggered();
    EXPECT_TRUE(script.verify_consumed());
    ASSERT_TRUE(answers());

    ask("power-fail 0");
    ask("loader-log-clear");
    script.expect_warning(message(67), ui::ok).expect_question(current, ui::no).expect_information(label(452));
    window->on_ac_FW_Update_triggered();
    EXPECT_TRUE(script.verify_consumed());
    EXPECT_NE(ask("versions").find("logic 4.3 "), std::string::npos);
    EXPECT_EQ(g_device_info().logic_major, 4);
    EXPECT_EQ(g_device_info().logic_minor, 3);
    // Record 3's data went to the logic address, then the programming image ran.
    const std::string log = lines("loader-log");
    char range[64];
    std::snprintf(range, sizeof range, "range 4015000 %u", length);
    EXPECT_NE(log.find(range), std::string::npos) << log << "\nwanted: " << range;
}

TEST_F(update, profinet_menu_command_writes_the_image_byte_for_byte)
{
    ask("profile premium-24");
    update_images::installed_set files = current_files();
    files.profinet = {2, 1, 0, 8};
    files.profinet_bytes = 5000;
    start(files);
    const std::string image = path(update_images::profinet_name(files.profinet));
    script.expect_open_file(QString::fromStdString(image), QStringLiteral("Please select the file to send to the TVX-PM"))
        .expect_information(QStringLiteral("Update of PROFINET-FW with file\n\"%1\"\nsuccessfull!")
                                .arg(QString::fromStdString(image)));
    window->on_ac_TPS_Update_triggered();
    EXPECT_TRUE(script.verify_consumed());
    const std::string saved = (root / "stream.bin").string();
    ask("stream-save " + saved);
    std::vector<uint8_t> got = read_bytes(saved);
    const std::vector<uint8_t> sent = read_bytes(image);
    ASSERT_GE(got.size(), sent.size());
    got.resize(sent.size());  // the last piece is padded to 54 bytes
    EXPECT_EQ(got, sent);
    EXPECT_NE(ask("versions").find("profinet 2.1.0.8"), std::string::npos);
}

TEST_F(update, a_controller_in_its_loader_gets_the_firmware_it_lacks)
{
    // The application profile stays what the controller comes back as.
    ask("profile loader");
    update_images::installed_set files = current_files();
    files.firmware = {1, 17, 6, 0};
    ASSERT_TRUE(update_images::write_installed(app.string(), files));
    window = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
    window->start_link();
    window->show();
    ASSERT_TRUE(QTest::qWaitFor([] { return g_device().loader_state; }, 30000));
    const QString firmware = QString::fromStdString(path(update_images::firmware_name(files.firmware)));
    script.expect_warning(message(67), ui::ok)
        .expect_box(ui::box_kind::question, ui::title_confirm(), message(68))
        .expect_open_file(firmware)
        .expect_question(QStringLiteral("Is the selected HEX-File \"%1\" OK?\nTo start programming, press the YES-Button!")
                             .arg(firmware),
                         ui::yes)
        .expect_information(label(452));
    window->on_ac_FW_Update_triggered();
    EXPECT_TRUE(script.verify_consumed());
    // The loader version came through flashcli from its file.
    EXPECT_EQ(g_device_info().loader.minor, 5);
    EXPECT_EQ(g_device_info().loader.patch, 3);
    // The link timer sees the firmware answer by itself.
    ASSERT_TRUE(QTest::qWaitFor([] { return !g_device().loader_state; }, 30000));
    EXPECT_EQ(g_device_info().firmware.minor, 17);

    // Cancelling the file dialog in the loader leaves the controller without firmware.
    ask("profile loader");
    ASSERT_TRUE(QTest::qWaitFor([] { return g_device().loader_state; }, 30000));
    script.expect_warning(message(67), ui::ok)
        .expect_box(ui::box_kind::question, ui::title_confirm(), message(68))
        .expect_open_file(QString())
        .expect_warning(message(69));
    window->on_ac_FW_Update_triggered();
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(update, a_controller_silent_after_its_restart_ends_with_host_error_4)
{
    update_images::installed_set files = current_files();
    files.firmware = {1, 17, 6, 0};
    start(files);
    window->waitPolls = 20;
    ask("silent-restart 1");
    const QString firmware = QString::fromStdString(path(update_images::firmware_name(files.firmware)));
    script.expect_warning(message(67), ui::ok)
        .expect_box_containing(ui::box_kind::question, ui::title_confirm(), message(83), ui::yes)
        .expect_open_file(firmware)
        .expect_box_containing(ui::box_kind::question, ui::title_confirm(), QStringLiteral("Is the selected HEX-File"),
                               ui::yes)
        .expect_error(host_text(4));
    window->on_ac_FW_Update_triggered();
    EXPECT_TRUE(script.verify_consumed());
    ask("silent-restart 0");
    ask("replug");
    ASSERT_TRUE(answers());
}

TEST_F(update, bad_input_ends_with_its_box_and_the_controller_answers_afterwards)
{
    update_images::installed_set files = current_files();
    files.firmware = {1, 17, 6, 0};
    start(files);
    const QString current = QStringLiteral("The current FW version of the control unit is 1.16.02.045.\n");

    // PROFINET images that are empty or larger than 1 MiB are refused before anything is sent.
    for (size_t size : {size_t(0), size_t(0x100001)}) {
        SCOPED_TRACE(size);
        const std::string image = path("tps_fsw/4418062-210008.img");
        update_images::write_file(image, std::vector<uint8_t>(size, 0x5A).data(), size);
        script.expect_open_file(QString::fromStdString(image)).expect_error(host_text(56));
        window->on_ac_TPS_Update_triggered();
        EXPECT_TRUE(script.verify_consumed());
    }
    EXPECT_NE(ask("stream").find("bytes=0"), std::string::npos);

    // A logic package whose last record points past its end.
    const std::vector<uint8_t> broken =
        update_images::logic_package(current_logic(), update_images::logic_fault::length_past_end);
    update_images::write_file(path("tvx_logic/Logic_0001.bin"), broken.data(), broken.size());
    ask("param 28 0x41");
    script.expect_warning(message(67), ui::ok)
        .expect_box_containing(ui::box_kind::question, ui::title_confirm(), current, ui::no)
        .expect_error(host_text(44))
        .expect_error(label(439));
    window->on_ac_FW_Update_triggered();
    EXPECT_TRUE(script.verify_consumed());
    ask("param 28 0x20");
    ASSERT_TRUE(answers());

    // A firmware file that is not Intel HEX: flashcli fails, the retry is declined.
    const std::string not_hex = path("tvx_fsw/F252_117.07.hex");
    update_images::write_file(not_hex, "this is no firmware\n", 20);
    script.expect_warning(message(67), ui::ok)
        .expect_box_containing(ui::box_kind::question, ui::title_confirm(), current, ui::yes)
        .expect_open_file(QString::fromStdString(not_hex))
        .expect_box_containing(ui::box_kind::question, ui::title_confirm(), QStringLiteral("Is the selected HEX-File"),
                               ui::yes)
        .expect_box_containing(ui::box_kind::critical, ui::title_error(),
                               QStringLiteral("Host: Update-Utility FLASHCLI.EXE returned an error (Code "), ui::no)
        .expect_error(label(440));
    window->on_ac_FW_Update_triggered();
    EXPECT_TRUE(script.verify_consumed());
    std::remove(not_hex.c_str());
    // flashcli had restarted the controller into its loader, which still answers.
    ASSERT_TRUE(QTest::qWaitFor([] { return g_link().connected && g_link().device_answered; }, 30000));
    ask("profile premium");
    ASSERT_TRUE(QTest::qWaitFor([] { return !g_device().loader_state; }, 30000));
    ASSERT_TRUE(answers());

    // Unplugged in the middle of the firmware download, back 1.5 s later.
    ask("loader-fault unplug at=30 replug=1500");
    const QString firmware = QString::fromStdString(path(update_images::firmware_name(files.firmware)));
    script.expect_warning(message(67), ui::ok)
        .expect_box_containing(ui::box_kind::question, ui::title_confirm(), QStringLiteral("The current FW version"),
                               ui::yes)
        .expect_open_file(firmware)
        .expect_box_containing(ui::box_kind::question, ui::title_confirm(), QStringLiteral("Is the selected HEX-File"),
                               ui::yes)
        .expect_box_containing(ui::box_kind::critical, ui::title_error(),
                               QStringLiteral("Host: Update-Utility FLASHCLI.EXE returned an error (Code "), ui::no)
        .expect_error(label(440));
    window->on_ac_FW_Update_triggered();
    EXPECT_TRUE(script.verify_consumed());
    ask("loader-faults-clear");
    // Back after the replug, in its loader: the firmware was erased before the cut.
    ASSERT_TRUE(QTest::qWaitFor([] { return g_link().connected && g_link().device_answered; }, 30000));
}

}  // namespace

namespace {

// Rows of the update's failure table, one connection for all: what is changed before the
// run, and the boxes the run shows after the first warning (the last one ends it).
struct failure_row {
    const char* name;
    std::function<void(update&)> setup;
    std::function<void(update&, ui_testing::scripted_ui&)> boxes;
    std::function<void(update&)> restore;
};

TEST_F(update, failures_end_with_their_boxes)
{
    start(current_files());
    const QString other = QStringLiteral("The current FW version of the control unit is 1.16.02.045.\nDo you want to program another FW?");
    auto remove = [](update& u, const std::string& relative) { std::remove(u.path(relative).c_str()); };
    const failure_row rows[] = {
        {"an old loader on Windows 7",
         [](update& u) {
             u.ask("version loader 1 1 9");
             set_windows_version_class(2);
         },
         [](update&, ui_testing::scripted_ui& s) { s.expect_error(message(72) + message(73)); },
         [](update& u) {
             u.ask("version loader 1 5 3");
             set_windows_version_class(1);
         }},
        {"no loader file", [&](update& u) { remove(u, update_images::loader_name({1, 5, 0, 0})); },
         [](update&, ui_testing::scripted_ui& s) { s.expect_error(host_text(47)).expect_error(label(441)); },
         [](update& u) { update_images::write_installed(u.app.string(), current_files()); }},
        {"a loader name without its version",
         [&](update& u) {
             remove(u, update_images::loader_name({1, 5, 0, 0}));
             update_images::write_file(u.path("tvx_firmload/F251_1x.bin"), "x", 1);
         },
         [](update&, ui_testing::scripted_ui& s) { s.expect_error(host_text(43)).expect_error(label(441)); },
         [&](update& u) {
             remove(u, "tvx_firmload/F251_1x.bin");
             update_images::write_installed(u.app.string(), current_files());
         }},
        {"a loader exchange that fails",
         [](update& u) {
             update_images::installed_set f = current_files();
             f.loader = {1, 6, 0, 0};
             update_images::write_installed(u.app.string(), f);
             u.ask("loader-fault abort at=3 times=1000");
         },
         [](update&, ui_testing::scripted_ui& s) {
             s.expect_box_containing(ui::box_kind::critical, ui::title_error(), QStringLiteral("(Code "), ui::no)
                 .expect_error(label(441));
         },
         [&](update& u) {
             u.ask("loader-faults-clear");
             remove(u, update_images::loader_name({1, 6, 0, 0}));
             u.ask("profile premium");
         }},
        {"a firmware name that is refused",
         [](update& u) { update_images::write_file(u.path("tvx_fsw/F252_116.49.hex"), ":00000001FF\n", 12); },
         [&](update& u, ui_testing::scripted_ui& s) {
             s.expect_box_containing(ui::box_kind::question, ui::title_confirm(),
                                     QStringLiteral("There is a newer Version 1.16.49.000"), ui::yes)
                 .expect_open_file(QString::fromStdString(u.path("tvx_fsw/F252_116.49.hex")))
                 .expect_error(QStringLiteral("The selected firmware-file is not compatible with new Tarvix controller, revision H"))
                 .expect_error(label(440));
         },
         [&](update& u) { remove(u, "tvx_fsw/F252_116.49.hex"); }},
        {"no firmware installed: the download runs, then the search error",
         [&](update& u) {
             remove(u, update_images::firmware_name({1, 16, 2, 0}));
             const std::string elsewhere = u.path("F252_117.06.hex");
             const std::string hex = update_images::firmware_hex({1, 17, 6, 0});
             update_images::write_file(elsewhere, hex.data(), hex.size());
         },
         [](update& u, ui_testing::scripted_ui& s) {
             s.expect_open_file(QString::fromStdString(u.path("F252_117.06.hex")))
                 .expect_box_containing(ui::box_kind::question, ui::title_confirm(),
                                        QStringLiteral("Is the selected HEX-File"), ui::yes)
                 .expect_error(host_text(47))
                 .expect_error(label(440));
         },
         [](update& u) { update_images::write_installed(u.app.string(), current_files()); }},
        {"a PROFINET controller without its image", [](update& u) { u.ask("profile premium-24"); },
         [&](update&, ui_testing::scripted_ui& s) {
             s.expect_question(other, ui::no).expect_error(host_text(47)).expect_error(label(514));
         },
         [](update& u) { u.ask("profile premium"); }},
        {"a PROFINET stream that the controller refuses in its second piece",
         [](update& u) {
             u.ask("profile premium-24");
             update_images::installed_set f = current_files();
             f.profinet = {2, 1, 1, 0};  // newer than the controller's 2.1.0.7
             f.profinet_bytes = 5000;
             update_images::write_installed(u.app.string(), f);
             u.ask("fault error type=0x0E skip=1 code=5 ttype=3 count=3 arg=9");
         },
         [&](update&, ui_testing::scripted_ui& s) {
             s.expect_question(other, ui::no)
                 .expect_error(record_text(err_type_device, 5, err_arg_once, 9))
                 .expect_error(label(514));
         },
         [&](update& u) {
             EXPECT_NE(u.ask("versions").find("profinet 2.1.0.7"), std::string::npos);
             u.ask("faults-clear");
             remove(u, update_images::profinet_name({2, 1, 1, 0}));
             u.ask("profile premium");
         }},
        {"the system information unreadable",
         [](update& u) { u.ask("fault error type=0x2A index=0x02 code=5"); },
         [](update&, ui_testing::scripted_ui& s) { s.expect_error(message(70)); },
         [](update& u) { u.ask("faults-clear"); }},
        {"the loader version unreadable in the loader",
         [](update& u) {
             u.ask("profile loader");
             ASSERT_TRUE(QTest::qWaitFor([] { return g_device().loader_state; }, 30000));
             u.ask("loader-fault abort at=1 times=1000");
         },
         [](update&, ui_testing::scripted_ui& s) {
             s.expect_box_containing(ui::box_kind::critical, ui::title_error(), QStringLiteral("(Code "), ui::no)
                 .expect_error(message(71));
         },
         [](update& u) {
             u.ask("loader-faults-clear");
             u.ask("profile premium");
         }},
        {"a firmware name without its version",
         [](update& u) { update_images::write_file(u.path("tvx_fsw/F252_1x.hex"), ":00000001FF\n", 12); },
         [](update&, ui_testing::scripted_ui& s) {
             s.expect_open_file(QString()).expect_error(host_text(43)).expect_error(label(440));
         },
         [&](update& u) { remove(u, "tvx_fsw/F252_1x.hex"); }},
        {"a logic package whose sum is off by one",
         [](update& u) {
             const std::vector<uint8_t> p =
                 update_images::logic_package(current_logic(), update_images::logic_fault::sum_off_by_one);
             update_images::write_file(u.path("tvx_logic/Logic_0001.bin"), p.data(), p.size());
         },
         [&](update&, ui_testing::scripted_ui& s) {
             s.expect_question(other, ui::no).expect_error(host_text(45)).expect_error(label(439));
         },
         [](update& u) { update_images::write_installed(u.app.string(), current_files()); }},
        {"a logic family without a record", [](update& u) { u.ask("param 28 0x48"); },
         [&](update&, ui_testing::scripted_ui& s) {
             s.expect_question(other, ui::no)
                 .expect_error(record_text(err_type_host, 48, err_arg_once, 0x48))
                 .expect_error(label(439));
         },
         [](update& u) { u.ask("param 28 0x20"); }},
        {"a logic download that fails",
         [](update& u) {
             update_images::installed_set f = current_files();
             f.logic[1] = {4, 30, 64};  // the record of family 0x20
             update_images::write_installed(u.app.string(), f);
             u.ask("loader-fault abort at=1 times=1000");
         },
         [&](update&, ui_testing::scripted_ui& s) { s.expect_question(other, ui::no).expect_error(label(439)); },
         [](update& u) {
             u.ask("loader-faults-clear");
             EXPECT_NE(u.ask("versions").find("logic 3.2 "), std::string::npos);
             update_images::write_installed(u.app.string(), current_files());
             u.ask("profile premium");
         }},
    };
    for (const failure_row& r : rows) {
        SCOPED_TRACE(r.name);
        r.setup(*this);
        ASSERT_TRUE(answers());
        script.expect_warning(message(67), ui::ok);
        r.boxes(*this, script);
        window->on_ac_FW_Update_triggered();
        EXPECT_TRUE(script.verify_consumed());
        EXPECT_EQ(g_dev_commands().update_in_progress, 0);
        r.restore(*this);
        ASSERT_TRUE(QTest::qWaitFor([] { return !g_device().loader_state; }, 30000));
        // Whatever failed, the controller answers afterwards.
        ASSERT_TRUE(answers());
    }
}

}  // namespace
