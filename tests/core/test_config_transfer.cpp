// The configuration transfer against the simulated controller in the test process: the
// full round trip of a process-monitor configuration, the Basic read, the unchanged write,
// the tests before a write, and faults in the middle of a write.
#include <gtest/gtest.h>

#include <QDir>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <thread>

#include "core/device/command_mailbox.h"
#include "core/device/device_calls.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/image/core_state.h"
#include "core/image/device_function_record.h"
#include "core/image/range_checks.h"
#include "core/image/tool_records.h"
#include "core/link/hid_link.h"
#include "core/link/hid_receive_thread.h"
#include "core/text/error_texts.h"
#include "core/transfer/config_transfer.h"
#include "platform/clock.h"
#include "procmon/pm_csv.h"
#include "procmon/procmon_seams.h"
#include "platform/hid_fake.h"
#include "sim/faults.h"
#include "sim/inprocess_device.h"
#include "sim/profiles.h"
#include "support/test_support.h"
#include "tests/core/core_fixture.h"
#include "tests/core/fast_clock.h"
#include "tests/core/normalise_for_device.h"
#include "tests/core/transfer_fixture_image.h"

namespace dp = device_protocol;

namespace {

class ConfigTransfer : public core_test {
protected:
    void SetUp() override
    {
        if (clock_)
            platform::set_clock(clock_.get());
        core_test::SetUp();
        g_host_context().data_source = [] { return 1; };
        platform::hid_install_backend(&fake_);
        dev_ = std::make_unique<sim::inprocess_device>(fake_, "premium-pm");
        error_record e;
        ASSERT_TRUE(hid_open(e)) << e.code;
        thread_.start();
    }
    void TearDown() override
    {
        thread_.stop_and_wait();
        core_test::TearDown();
        dev_.reset();
        platform::hid_install_backend(nullptr);
        platform::set_clock(nullptr);
    }
    void profile(const std::string& name) { ASSERT_TRUE(sim::load_profile(world(), name)); }
    sim::world& world() { return dev_->state(); }
    void arm(const std::string& text)
    {
        sim::fault f;
        std::string why;
        ASSERT_TRUE(sim::parse_fault(text, f, why)) << why;
        dev_->faults().arm(f);
    }
    // Request frames that reached the controller since the log was cleared.
    std::vector<sim::wire_entry> requests()
    {
        std::vector<sim::wire_entry> r;
        for (auto& e : dev_->log().since(0))
            if (e.direction == sim::wire_direction::in)
                r.push_back(e);
        return r;
    }
    static bool is_write(uint8_t type)
    {
        switch (type) {
        case dp::req_command:
        case dp::req_write_parameter:
        case dp::req_write_function:
        case dp::req_free_function:
        case dp::req_write_record179:
        case dp::req_free_record179:
        case dp::req_write_record222:
        case dp::req_free_record222:
        case dp::req_free_record222_second:
            return true;
        default:
            return false;
        }
    }

    std::unique_ptr<platform::clock> clock_;
    testing_support::recording_ui ui_;
    platform::hid_fake_backend fake_;
    std::unique_ptr<sim::inprocess_device> dev_;
    hid_receive_thread thread_;
};

class ConfigTransferFast : public ConfigTransfer {
protected:
    ConfigTransferFast() { clock_ = std::make_unique<fast_clock>(20); }
};

// The curve folder as the program window's export writes it: one curve file per tool in use.
void write_curve_files(const QString& folder, const config_image& w)
{
    QDir().mkpath(folder);
    for (uint32_t n = 0; n < image_layout::tool_count; ++n) {
        const const_tool_slot s = w.tool(n);
        if (s.in_use()) {
            ASSERT_TRUE(write_curve_csv(curve_of(n), s.record().data(),
                                        folder + "/" + pm_record_file_name(false, s.record().data())));
        }
    }
}

std::string first_difference(const config_image& a, const config_image& b)
{
    for (size_t i = 0; i < config_image::size(); ++i)
        if (a.data()[i] != b.data()[i])
            return "first difference at offset " + std::to_string(i) + ": " + std::to_string(a.data()[i]) + " vs " +
                   std::to_string(b.data()[i]);
    return "equal";
}

TEST_F(ConfigTransfer, FullProcessMonitorConfigurationRoundTripsByteForByte)
{
    config_image written = premium_pm_image();
    // The two signed fields of which the controller keeps 16 bits, negative.
    written.header().set_field(hdr::neg_teach_limit, -1205);
    written.header().set_field(hdr::preposition_offset, -707);
    uint8_t mode = 0;
    ASSERT_EQ(configuration_range_code(written, &mode), 0u);
    int changed = 0;
    for (const auto& f : settings_field_infos())
        changed += written.header().field(f.offset) != f.default_value;
    std::printf("settings fields changed from their defaults: %d of %zu\n", changed, settings_field_infos().size());
    EXPECT_GE(changed, 70);
    world().pm_records.assign(2, {});

    testing_support::temp_dir dir;
    const QString program = QString::fromStdString(dir.file("line4.cdx"));
    write_curve_files(curve_folder_for(program), written);
    install_procmon_seams();
    tool_data_context tools{program};

    g_config_image() = written;
    reset_config_image(g_reference_image());
    error_record e;
    ASSERT_TRUE(send_configuration_to_device(false, false, &tools, program, e)) << e.code << " " << error_record_text(e);
    EXPECT_TRUE(world().pm_records.empty());
    int curves = 0;
    for (uint32_t n = 0; n < image_layout::tool_count; ++n) {
        if (!written.tool(n).in_use())
            continue;
        std::vector<int16_t> file;
        int status = -1;
        ASSERT_TRUE(pm_csv_file_name_for(false, program, written.tool(n).record().data(), file, status)) << n;
        EXPECT_EQ(file, curve_of(n));
        // The controller takes whole pieces of 26 values; the list starts with the file's values.
        const std::vector<int16_t>& got = world().tool_lists[uint16_t(n)];
        ASSERT_EQ(got.size(), (file.size() + 25) / 26 * 26) << n;
        EXPECT_TRUE(std::equal(file.begin(), file.end(), got.begin())) << "curve of tool " << n;
        ++curves;
    }
    EXPECT_GE(curves, 4);

    // Into a fresh image: a reset keeps the bytes of free records.
    g_config_image() = config_image();
    reset_config_image(g_config_image());
    ASSERT_TRUE(read_configuration_from_device(e)) << e.code << " " << error_record_text(e);
    const config_image& back = g_config_image();
    const config_image expected = normalise_for_device(written);
    EXPECT_TRUE(back == expected) << first_difference(back, expected);
    EXPECT_EQ(back.header().field(hdr::variant_bits), 2);
    EXPECT_EQ(back.header().field(hdr::neg_teach_limit), -1205);
    EXPECT_EQ(back.header().field(hdr::preposition_offset), -707);
    // Tool types and tools come back exactly as written.
    for (uint32_t t = 0; t < image_layout::tool_type_count; ++t) {
        const bool used = written.tool_type(t).in_use();
        ASSERT_EQ(back.tool_type(t).in_use(), used) << t;
        if (used) {
            EXPECT_EQ(std::memcmp(back.tool_type(t).data(), written.tool_type(t).data(), image_layout::tool_type_slot_size),
                      0)
                << "tool type " << t;
        }
    }
    for (uint32_t n = 0; n < image_layout::tool_count; ++n) {
        const bool used = written.tool(n).in_use();
        ASSERT_EQ(back.tool(n).in_use(), used) << n;
        if (used) {
            EXPECT_EQ(std::memcmp(back.tool(n).data(), written.tool(n).data(), image_layout::tool_slot_size), 0)
                << "tool " << n;
        }
    }
    // The lossy parts did change something, so the comparison above is not trivial.
    EXPECT_NE(back.function(10).name(), written.function(10).name());
    EXPECT_EQ(back.function(10).name(), "Function no ");
    EXPECT_FALSE(ui_.progress_shown());
}

TEST_F(ConfigTransfer, BasicControllerReadsFourFunctionsAndFillsFunctionZero)
{
    for (const char* name : {"basic", "basic-b"}) {
        SCOPED_TRACE(name);
        profile(name);
        world().function_used[1] = true;
        world().functions[1][0] = 'L';
        dev_->log().clear();
        reset_config_image(g_config_image());
        error_record e;
        ASSERT_TRUE(read_configuration_from_device(e)) << e.code;
        size_t reads = 0;
        for (const auto& r : requests())
            reads += r.frame(dp::type_offset) == dp::req_read_function;
        EXPECT_EQ(reads, 4u);
        const config_image& img = g_config_image();
        EXPECT_EQ(img.header().field(hdr::variant_bits), std::string(name) == "basic" ? 1 : 9);
        ASSERT_TRUE(img.function(0).in_use());
        EXPECT_EQ(img.function(0).field(fr::teach_limit), img.header().field(hdr::def_teach_limit));
        EXPECT_EQ(img.function(2).field(fr::teach_limit), -img.function(0).field(fr::teach_limit));
        EXPECT_EQ(img.function(1).name(), "L");

        // The image read from this controller is accepted back.
        g_reference_image() = img;
        ASSERT_TRUE(send_configuration_to_device(false, false, nullptr, {}, e)) << e.code;
    }
}

TEST_F(ConfigTransfer, ForceAllOnAReducedControllerFreesTheFunctionsItDoesNotHave)
{
    // A full write frees all 512 functions; a controller with 64 takes the frees beyond its
    // own functions and keeps its first 64.
    profile("reduced");
    reset_config_image(g_config_image());
    error_record e;
    ASSERT_TRUE(read_configuration_from_device(e)) << e.code;
    g_config_image().function(3).set_in_use(true);
    g_config_image().function(3).set_name("F3");
    ASSERT_TRUE(send_configuration_to_device(true, false, nullptr, {}, e)) << e.code << " type " << e.type;
    EXPECT_TRUE(world().function_used[3]);
    size_t frees_beyond = 0;
    for (const auto& r : requests())
        frees_beyond += r.frame(dp::type_offset) == dp::req_free_function && r.frame(4) + 256 * r.frame(5) >= 64;
    EXPECT_EQ(frees_beyond, 512u - 64u);
}

TEST_F(ConfigTransfer, UnchangedImageWritesOnlyStopStatusPollsAndParameter17)
{
    // A controller that already holds a program.
    g_config_image() = premium_pm_image();
    reset_config_image(g_reference_image());
    error_record e;
    ASSERT_TRUE(send_configuration_to_device(false, false, nullptr, {}, e)) << e.code;
    reset_config_image(g_config_image());
    ASSERT_TRUE(read_configuration_from_device(e)) << e.code;
    g_reference_image() = g_config_image();
    g_transfer().reference_is_device_state = true;

    dev_->log().clear();
    ASSERT_TRUE(send_configuration_to_device(false, false, nullptr, {}, e)) << e.code;
    std::vector<std::string> writes;
    size_t polls = 0;
    for (const auto& r : requests()) {
        const uint8_t type = r.frame(dp::type_offset);
        polls += type == dp::req_status && r.frame(dp::count_offset) == 0;
        if (is_write(type))
            writes.push_back(std::to_string(type) + ":" + std::to_string(r.frame(4)));
    }
    const std::vector<std::string> expected = {std::to_string(dp::req_command) + ":7",
                                               std::to_string(dp::req_write_parameter) + ":17"};
    EXPECT_EQ(writes, expected);
    EXPECT_GE(polls, 1u);
    EXPECT_EQ(ui_.prompts().back().text, QString::fromLatin1("Save Data to Tarvix successfull!"));
    EXPECT_TRUE(g_transfer().image_is_controllers);
}

TEST_F(ConfigTransfer, ChangedDataQuestionIgnoreWritesTheKnownEntriesCancelWritesNothing)
{
    profile("premium");
    world().parameters[dp::param_revision] = 0x32333400 | 40;  // 40 settings fields
    reset_config_image(g_config_image());
    g_config_image().header().set_field(hdr::outputs_time, 500);
    reset_config_image(g_reference_image());
    const std::string name = settings_parameter_name(44);

    dev_->log().clear();
    ui_.answer_next(ui::cancel);
    error_record e;
    EXPECT_FALSE(send_configuration_to_device(false, false, nullptr, {}, e));
    ASSERT_FALSE(ui_.prompts().empty());
    EXPECT_EQ(ui_.prompts().back().buttons, ui::ignore | ui::cancel);
    EXPECT_TRUE(ui_.prompts().back().text.contains(QString::fromLatin1(name.c_str()))) << ui_.prompts().back().text.toStdString();
    for (const auto& r : requests())
        EXPECT_TRUE(!is_write(r.frame(dp::type_offset)) || r.frame(dp::type_offset) == dp::req_command);
    EXPECT_FALSE(ui_.progress_shown());

    dev_->log().clear();
    ui_.answer_next(ui::ignore);
    ASSERT_TRUE(send_configuration_to_device(false, false, nullptr, {}, e)) << e.code;
    std::set<int> written;
    for (const auto& r : requests())
        if (r.frame(dp::type_offset) == dp::req_write_parameter)
            written.insert(r.frame(4));
    const auto& steps = parameter_steps();
    for (size_t k = 0; k < steps.size(); ++k)
        EXPECT_EQ(written.count(steps[k].param) == 1, k < 44) << "entry " << k;
}

TEST_F(ConfigTransfer, LegacyFirmwareRefusalBecomesOutOfRangeWithTheParameterName)
{
    profile("old-firmware");
    reset_config_image(g_config_image());
    reset_config_image(g_reference_image());
    arm("error type=0x03 skip=5 code=7 ttype=3 count=2");
    error_record e;
    EXPECT_FALSE(send_configuration_to_device(false, false, nullptr, {}, e));
    EXPECT_EQ(e.type, err_type_device);
    EXPECT_EQ(e.code, 30);
    EXPECT_EQ(g_parameter_error().parameter_error_index, 5);
    ASSERT_FALSE(ui_.prompts().empty());
    EXPECT_TRUE(ui_.prompts().back().text.contains(QString::fromLatin1(settings_parameter_name(5).c_str())))
        << ui_.prompts().back().text.toStdString();
    EXPECT_TRUE(g_device().change_flags & compat_fw_too_old);
}

TEST_F(ConfigTransferFast, FaultInTheMiddleOfAWriteEndsWithItsErrorAndTheFailedWriteFlag)
{
    struct row {
        const char* fault;
        int16_t type;
        int32_t code;
    };
    const row rows[] = {
        {"drop type=0x0C skip=7", err_type_usb_host, 0},
        {"error type=0x0C skip=7 code=5 ttype=3 count=2", err_type_device, 5},
        {"error type=0x04 skip=3 code=11 ttype=3 count=2", err_type_device, 11},
        // A refused stop names the controller's code with the device texts.
        {"error type=0x02 code=9 ttype=1 count=2", err_type_device, 9},
        // Last: the link stays down after it.
        {"unplug type=0x08 skip=5", err_type_usb_host, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.fault);
        g_device().change_flags = 0;
        g_config_image() = premium_pm_image();
        reset_config_image(g_reference_image());
        arm(r.fault);
        const auto t0 = std::chrono::steady_clock::now();
        error_record e;
        EXPECT_FALSE(send_configuration_to_device(false, false, nullptr, {}, e));
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(60));
        EXPECT_EQ(e.type, r.type);
        if (r.code) {
            EXPECT_EQ(e.code, r.code);
        } else {
            EXPECT_NE(e.code, 0);
        }
        EXPECT_TRUE(g_device().change_flags & compat_fw_too_old);
        EXPECT_FALSE(ui_.progress_shown());
        EXPECT_EQ(ui_.prompts().back().title, ui::title_error());
        dev_->faults().clear();
    }
}

TEST(ConfigTransferVariant, WriterAcceptsOnlyTheListedValue)
{
    struct row {
        int family_flag, pm, bit2, bit3;
        int32_t bits;
        bool accepted;
    };
    const row rows[] = {
        {0, 0, 0, 0, 0, true},  {0, 0, 0, 0, 2, false}, {0, 1, 0, 0, 2, true},  {0, 0, 1, 0, 4, true},
        {0, 1, 1, 0, 2, true},  {0, 1, 1, 0, 6, false}, {0, 1, 1, 0, 4, false}, {1, 0, 0, 0, 1, true},
        {1, 0, 0, 1, 9, true},  {1, 0, 0, 1, 1, false}, {1, 0, 0, 0, 9, false}, {0, 0, 1, 0, 0x14, true},
        {0, 0, 0, 0, 1, false}, {0, 1, 1, 1, 2, true},  {0, 1, 1, 1, 14, false}, {1, 1, 1, 0, 1, true},
    };
    g_device().reset();
    for (const row& r : rows) {
        device_state& d = g_device();
        d.family_flag = r.family_flag;
        d.pm_capable = uint8_t(r.pm);
        d.variant_bit2 = uint8_t(r.bit2);
        d.variant_bit3 = uint8_t(r.bit3);
        EXPECT_EQ(variant_accepted(r.bits), r.accepted)
            << r.family_flag << r.pm << r.bit2 << r.bit3 << " bits " << r.bits;
    }
    g_device().reset();
}

TEST_F(ConfigTransfer, VariantValueFollowsTheConnectedControllerAndIsWrittenBack)
{
    // Each controller read in turn, in one run: field 116 is that controller's value, the
    // image is accepted back by it, and a Basic image only by a plain Basic controller.
    struct row {
        const char* profile;
        int32_t stored;
        bool basic_image_accepted;
    } rows[] = {
        {"basic", 1, true},   {"basic-b", 9, false}, {"premium-pm", 2, false},
        {"premium", 0, false}, {"basic-b", 9, false}, {"premium-pm-x", 2, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.profile);
        profile(r.profile);
        reset_config_image(g_config_image());
        error_record e;
        ASSERT_TRUE(read_configuration_from_device(e)) << e.code;
        EXPECT_EQ(g_config_image().header().field(hdr::variant_bits), r.stored);
        g_reference_image() = g_config_image();
        EXPECT_TRUE(send_configuration_to_device(false, false, nullptr, {}, e)) << e.type << "/" << e.code;

        g_config_image().header().set_field(hdr::variant_bits, 1);
        EXPECT_EQ(send_configuration_to_device(false, false, nullptr, {}, e), r.basic_image_accepted);
        if (!r.basic_image_accepted) {
            EXPECT_EQ(e.type, err_type_host);
            EXPECT_EQ(e.code, 13);
        }
    }
}

TEST_F(ConfigTransfer, ParameterRefusalsStoreTheirValueAndTheReadGoesOn)
{
    profile("premium-pm");
    reset_config_image(g_config_image());
    error_record e;
    ASSERT_TRUE(read_configuration_from_device(e)) << e.code;
    // Where each table entry's parameter read lies among all parameter reads of the run.
    const auto& steps = parameter_steps();
    std::vector<uint16_t> params;
    for (const auto& q : requests())
        if (q.frame(dp::type_offset) == dp::req_read_parameter)
            params.push_back(uint16_t(q.frame(4) | (q.frame(5) << 8)));
    const auto first_entry = std::find(params.begin(), params.end(), dp::param_revision) - params.begin() + 1;
    ASSERT_EQ(params[size_t(first_entry)], steps[0].param);
    struct row {
        const char* fault;  // with skip filled in
        size_t entry;
        bool ok;
        int32_t value;
    } rows[] = {
        {"wrong-kind type=0x23", 5, true, 0},                  // host error 7
        {"error type=0x23 code=7 ttype=1", 5, true, 0},        // host error 7 as an error reply
        {"error type=0x23 code=6 ttype=3", 44, true, 1},       // the controller's refusal
        {"error type=0x23 code=8 ttype=3", 5, false, 0},       // any other error ends the read
    };
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(r.fault) + " entry " + std::to_string(r.entry));
        ASSERT_EQ(steps[r.entry].part, value_part::whole);
        reset_config_image(g_config_image());
        g_parameter_error().parameter_error_index = -1;
        arm(std::string(r.fault) + " skip=" + std::to_string(first_entry + long(r.entry)));
        dev_->log().clear();
        const bool ok = read_configuration_from_device(e);
        EXPECT_EQ(ok, r.ok) << e.type << "/" << e.code;
        size_t reads = 0;
        for (const auto& q : requests())
            reads += q.frame(dp::type_offset) == dp::req_read_parameter;
        if (r.ok) {
            EXPECT_EQ(g_config_image().header().field(steps[r.entry].field_offset), r.value);
            EXPECT_EQ(reads, params.size());  // every later entry was still read
        } else {
            EXPECT_EQ(g_parameter_error().parameter_error_index, int32_t(r.entry));
            EXPECT_EQ(reads, size_t(first_entry) + r.entry + 1);
        }
        dev_->faults().clear();
    }
}

TEST_F(ConfigTransfer, PairedFieldsComeBackWithTheSignOfTheirSixteenBits)
{
    // The controller holds each of these fields as a low- and a high-byte parameter.
    profile("premium");
    struct row {
        uint32_t field;
        uint16_t low_param;
        uint32_t bits;
        int32_t value;
    } rows[] = {
        {hdr::vert_distance, 22, 0xC350, 50000},      // unsigned: a long distance stays long
        {hdr::ref_angle_90, 24, 0xDCD8, -9000},       // -90.00 degrees
        {hdr::ref_angle_90, 24, 0x2328, 9000},
        {hdr::ref_tool_length, 26, 0xFF6A, -150},
        {hdr::ref_tool_length, 26, 0x7FFF, 32767},
        {hdr::position2, 9, 0xFFFF, 65535},           // a position is unsigned
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.value);
        world().parameters[r.low_param] = int32_t(r.bits & 0xFF);
        world().parameters[uint16_t(r.low_param + 1)] = int32_t(r.bits >> 8);
        reset_config_image(g_config_image());
        error_record e;
        ASSERT_TRUE(read_configuration_from_device(e)) << e.code;
        EXPECT_EQ(g_config_image().header().field(r.field), r.value);
    }
}

TEST_F(ConfigTransfer, RebootQuestionQueuesTheResetAloneOrDropsTheRequest)
{
    profile("premium");
    reset_config_image(g_config_image());
    g_reference_image() = g_config_image();
    int reset_messages = 0;
    g_host_context().reset_message = [&] { ++reset_messages; };
    for (int answer : {ui::no, ui::yes}) {
        queue_clear();
        g_transfer().reboot_asked = true;
        ui_.answer_next(ui::ok);  // the success box
        ui_.answer_next(answer);
        error_record e;
        ASSERT_TRUE(send_configuration_to_device(false, false, nullptr, {}, e)) << e.code;
        EXPECT_FALSE(g_transfer().reboot_asked);
        EXPECT_EQ(ui_.prompts().back().title, ui::title_confirm());
        if (answer == ui::no) {
            EXPECT_EQ(command_mailbox().count, 0);
            EXPECT_FALSE(g_transfer().reboot_requested);
            continue;
        }
        ASSERT_EQ(command_mailbox().count, 1);
        const device_frame& f = command_mailbox().frames[0];
        const uint8_t expected[] = {0xBB, 0x02, 0x37, 0x09, 0x03};
        EXPECT_EQ(std::memcmp(f.data() + 1, expected, sizeof expected), 0);
        EXPECT_TRUE(g_transfer().reboot_requested);
        // The host's reset message, which closes when the controller is back; no busy box
        // that nothing would close.
        EXPECT_EQ(reset_messages, 1);
        EXPECT_FALSE(ui_.busy_shown);
    }
}

TEST_F(ConfigTransfer, ScannerTestBeforeTheWrite)
{
    profile("premium");
    reset_config_image(g_config_image());
    reset_config_image(g_reference_image());
    // Sets 1 to 9 are standard, 10 is reserved: ten sets count.
    for (int32_t scanner : {10, 0x85}) {
        g_config_image().header().set_field(hdr::scanner, scanner);
        dev_->log().clear();
        error_record e;
        const bool ok = send_configuration_to_device(false, false, nullptr, {}, e);
        EXPECT_EQ(ok, scanner == 0x85) << scanner;
        if (!ok) {
            EXPECT_TRUE(ui_.prompts().back().text.contains("Only Scanners P000 - P009 allowed"))
                << ui_.prompts().back().text.toStdString();
            for (const auto& r : requests())
                EXPECT_FALSE(is_write(r.frame(dp::type_offset)));
        }
    }
}

TEST_F(ConfigTransfer, ProcessMonitorRecordsEndAtTheFirstFreeOne)
{
    world().pm_records.assign(3, {});
    for (size_t i = 0; i < 3; ++i)
        world().pm_records[i][20] = uint8_t(i + 1);
    error_record e;
    ASSERT_TRUE(read_pm_records_from_device(true, e)) << e.code;
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(g_images().pm_record(i).in_use());
        EXPECT_EQ(g_images().pm_record(i).data()[slot::record + 20], i + 1);
    }
    EXPECT_FALSE(g_images().pm_record(3).in_use());
    size_t reads = 0;
    for (const auto& r : requests())
        reads += r.frame(dp::type_offset) == dp::req_read_record222_second;
    EXPECT_EQ(reads, 3u * 5 + 1);
    EXPECT_FALSE(ui_.progress_shown());
}

TEST_F(ConfigTransfer, MissingCurveFileIsHostError57)
{
    g_config_image() = premium_pm_image();
    reset_config_image(g_reference_image());
    testing_support::temp_dir dir;
    install_procmon_seams();
    tool_data_context tools{QString::fromStdString(dir.file("nocurves.cdx"))};
    error_record e;
    EXPECT_FALSE(send_configuration_to_device(false, false, &tools, {}, e));
    EXPECT_EQ(e.type, err_type_host);
    EXPECT_EQ(e.code, 57);
}

}  // namespace
