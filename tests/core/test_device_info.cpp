// Device information against the simulated controller's profiles: the system-information
// read, the variant flags from parameter 28, the compatibility flags, the set-up values.
#include "core/device/device_info.h"
#include "tests/core/device_sim_fixture.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace dp = device_protocol;

using DeviceInfo = device_sim_test;

TEST_F(DeviceInfo, SystemInformationPerProfile)
{
    struct expect {
        const char* profile;
        uint8_t family;
        uint32_t article;
        bool extended;
        bool profinet;
        const char* suffix;
        const char* cu_serial;
        uint8_t fw_minor;
        bool status_layout;
    } cases[] = {
        {"premium", 0x20, 5206252, false, false, " / C2", "0001234.567", 16, true},
        {"premium-pm-x", 0x34, 5206252, true, true, " / C2", "0001234.567", 16, true},
        {"basic-b", 0x60, 5206252, false, false, " / C2", "0001234.567", 16, true},
        {"old-firmware", 0x20, 5206718, false, false, "", "-----", 14, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile);
        profile(c.profile);
        g_device_info().reset();
        forget();
        error_record e;
        ASSERT_TRUE(dev_read_system_info(e)) << e.type << "/" << e.code;
        const device_info_state& d = g_device_info();
        EXPECT_TRUE(d.valid);
        EXPECT_EQ(g_device().family_code, c.family);
        EXPECT_EQ(d.article_number, c.article);
        EXPECT_EQ(d.extended_valid, c.extended);
        EXPECT_EQ(d.profinet_present, c.profinet);
        EXPECT_EQ(d.hw_config_suffix, c.suffix);
        EXPECT_EQ(d.cu_serial_text, c.cu_serial);
        EXPECT_EQ(d.firmware.minor, c.fw_minor);
        EXPECT_EQ(d.status_layout, c.status_layout);
        EXPECT_EQ(d.loader.major, 1);
        EXPECT_EQ(d.loader.patch, 3);
        EXPECT_EQ(d.io_module_main, 2);
        EXPECT_EQ(d.io_module_text, "IO-Module-A");
        EXPECT_EQ(d.io_module_word, 0x10);
        EXPECT_EQ(d.firmware.hw_revision, 0x9121);
        // The order of the reads: 0x02, 0x0F, 109, 0x13, 28, 0x1E, 75..78 (until a refusal), 0x05.
        std::vector<std::pair<uint8_t, uint16_t>> order;
        for (const auto& f : sent)
            order.push_back({f.type(), f.type() == dp::req_info ? f[4] : f.u16(4)});
        std::vector<std::pair<uint8_t, uint16_t>> want = {{0x2A, 0x02}, {0x2A, 0x0F}, {0x23, 109}, {0x2A, 0x13},
                                                          {0x23, 28},   {0x2A, 0x1E}, {0x23, 75}};
        if (std::string(c.profile) != "old-firmware")
            want.insert(want.end(), {{0x23, 76}, {0x23, 77}, {0x23, 78}});
        want.push_back({0x2A, 0x05});
        EXPECT_EQ(order, want);
    }
    EXPECT_EQ(g_device_info().cu_article_text, "-----");
    EXPECT_EQ(g_device_info().cu_serial_value, 0);
}

TEST_F(DeviceInfo, LoaderOnlyAndAFailingFirstQuery)
{
    profile("loader");
    error_record e;
    EXPECT_FALSE(dev_read_system_info(e));
    EXPECT_EQ(e.type, err_type_device);
    EXPECT_EQ(e.code, 10);
    EXPECT_EQ(sent.size(), 1u);  // nothing more after the first block failed
    EXPECT_FALSE(g_device_info().valid);
    EXPECT_FALSE(fw_version_at_least(0, 0, 0));
}

TEST_F(DeviceInfo, OnlyTheLoaderBlockDecidesTheResult)
{
    // Parameters 109 and 28 answer first; skip=2 hits parameter 75, skip=4 parameter 77.
    struct row {
        const char* fault;
        const char* cu_article;
    } rows[] = {
        {"", "5206252"},
        {"error type=0x23 skip=2 code=8 ttype=3", "-----"},  // a device error other than 6 or 7
        {"error type=0x23 skip=4 code=6 ttype=3", "-----"},  // a refusal of parameter 77
        {"wrong-kind type=0x23 skip=2", "-----"},            // host error 7
        {"error type=0x23 skip=3 code=5 ttype=1", "-----"},  // a host error on parameter 76
        {"error type=0x23 code=8 ttype=3", "5206252"},       // parameter 109: only its suffix goes
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.fault);
        g_device_info().reset();
        if (*r.fault)
            arm(r.fault);
        error_record e;
        EXPECT_TRUE(dev_read_system_info(e)) << e.type << "/" << e.code;
        EXPECT_EQ(e.code, 0);
        EXPECT_TRUE(g_device_info().valid);
        EXPECT_EQ(g_device_info().cu_article_text, r.cu_article);
        if (std::string(r.cu_article) == "-----") {
            EXPECT_EQ(g_device_info().scanner_serial_text, "-----");
            EXPECT_EQ(g_device_info().cu_serial_value, 0);
        }
        EXPECT_EQ(g_device_info().loader.major, 1);
        dev_->faults().clear();
    }
    // The loader block failing fails the read, whatever came before.
    arm("error type=0x2A skip=4 code=8 ttype=3");
    error_record e;
    EXPECT_FALSE(dev_read_system_info(e));
    EXPECT_EQ(e.code, 8);
}

TEST_F(DeviceInfo, IoModuleTextReadAsNumberDotWord)
{
    struct row {
        const char* bytes;  // the 16 bytes from frame byte 7, no terminator needed
        int32_t main;
        const char* text;
    } rows[] = {
        {"2.IO-Module-A", 2, "IO-Module-A"},
        {"2.IO-Module A", 2, "IO-Module"},  // the text ends at the first blank
        {"  12. DP-Slave x", 12, "DP-Slave"},
        {"-3.Neg", -3, "Neg"},
        {"+7.Plus", 7, "Plus"},
        {"4 .Gap", 4, ""},  // no dot right after the number: no text
        {"Module", 0, ""},
        {"9.ABCDEFGHIJKLMN", 9, "ABCDEFGHIJKLMN"},
        {"1.ABCDEFGHIJKLMNOPQ", 1, "ABCDEFGHIJKLMN"},  // only 16 bytes travel
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.bytes);
        auto& blk = world().info[dp::info_io_module].data;
        std::fill(blk.begin() + (dp::io_module_text - 5), blk.begin() + (dp::io_module_text - 5 + 16), 0);
        std::memcpy(blk.data() + (dp::io_module_text - 5), r.bytes, std::min<size_t>(16, std::strlen(r.bytes)));
        error_record e;
        ASSERT_TRUE(dev_read_system_info(e));
        EXPECT_EQ(g_device_info().io_module_main, r.main);
        EXPECT_EQ(g_device_info().io_module_text, r.text);
        EXPECT_EQ(g_device_info().io_module_above9, r.main > 9);
    }
}

TEST_F(DeviceInfo, VariantFlagsFromParameter28)
{
    struct {
        uint8_t code;
        int32_t family_flag;
        uint8_t pm, bit2, bit3;
    } cases[] = {
        {0x10, 1, 1, 1, 0},  // Basic: pm and bit 2 keep their earlier values (set to 1 below)
        {0x20, 0, 0, 0, 1},  // Premium: bit 3 keeps its value
        {0x30, 0, 1, 1, 1},  {0x34, 0, 1, 1, 1}, {0x40, 0, 0, 1, 1}, {0x50, 0, 0, 0, 1},
        {0x60, 1, 1, 1, 1},  {0x21, 0, 0, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.code));
        device_state& d = g_device();
        d.pm_capable = d.variant_bit2 = d.variant_bit3 = 1;
        d.family_flag = 7;
        world().parameters[28] = c.code;
        error_record e;
        EXPECT_EQ(read_device_variant(e), c.code);
        EXPECT_EQ(d.family_flag, c.family_flag);
        EXPECT_EQ(d.pm_capable, c.pm);
        EXPECT_EQ(d.variant_bit2, c.bit2);
        EXPECT_EQ(d.variant_bit3, c.bit3);
        EXPECT_EQ(device_has_pm(), c.pm != 0);
    }
    struct {
        uint8_t code;
        int out;
    } family[] = {{0x20, 0}, {0x30, 2}, {0x34, 2}, {0x40, 4}, {0x10, 1}, {0x60, 1}};
    for (auto f : family) {
        world().parameters[28] = f.code;
        int out = -1;
        EXPECT_TRUE(read_device_family_code(out));
        EXPECT_EQ(out, f.out) << int(f.code);
    }
    // Failure: 0x10, flags unchanged; out stays 1.
    profile("loader");
    g_device().pm_capable = 1;
    error_record e;
    EXPECT_EQ(read_device_variant(e), 0x10);
    EXPECT_TRUE(e.failed());
    EXPECT_EQ(g_device().pm_capable, 1);
    int out = -1;
    EXPECT_FALSE(read_device_family_code(out));
    EXPECT_EQ(out, 1);
}

TEST(DeviceFlags, FamilyCodeFromFlags)
{
    struct {
        int32_t basic;
        uint8_t pm, bit2, bit3, code;
    } cases[] = {{1, 0, 0, 0, 0x10}, {1, 1, 1, 1, 0x60}, {0, 1, 1, 0, 0x30},
                 {0, 0, 1, 0, 0x40}, {0, 0, 0, 0, 0x20}, {0, 0, 0, 1, 0x20}};
    for (auto c : cases) {
        core_reset_for_tests();
        g_device().family_flag = c.basic;
        g_device().pm_capable = c.pm;
        g_device().variant_bit2 = c.bit2;
        g_device().variant_bit3 = c.bit3;
        EXPECT_EQ(family_code_from_flags(), c.code);
    }
}

TEST_F(DeviceInfo, FirmwareVersionComparisons)
{
    struct {
        uint8_t major, minor, patch;
        bool at_least_1_15_13;
    } cases[] = {{1, 15, 12, false}, {1, 15, 13, true}, {1, 16, 0, true}, {2, 0, 0, true}, {1, 14, 99, false}};
    for (auto c : cases) {
        auto& blk = world().info[dp::info_firmware].data;
        blk[0] = c.major;
        blk[1] = c.minor;
        blk[2] = c.patch;
        error_record e;
        ASSERT_TRUE(dev_read_system_info(e));
        EXPECT_EQ(fw_version_at_least(1, 15, 13), c.at_least_1_15_13) << int(c.minor) << "." << int(c.patch);
        EXPECT_EQ(g_device_info().status_layout, c.at_least_1_15_13);
    }
    EXPECT_TRUE(fw_version_at_least4(1, 14, 99, 45));
    EXPECT_FALSE(fw_version_at_least4(1, 14, 99, 46));
}

TEST_F(DeviceInfo, CompatibilityFlagsAgainstTheHost)
{
    const uint32_t host = dp::host_revision;
    struct {
        const char* profile;
        int64_t revision;  // -1: parameter 66 unknown
        uint32_t flags;
        int fw_text, host_text;
    } cases[] = {
        {"premium", host + 1, 0x31, 15, 20},   // firmware newer than TarvixStudio
        {"premium", host, 0x30, 15, 19},       // equal
        {"premium", host - 1, 0x34, 16, 19},   // older
        {"old-firmware", host, 0x34, 16, 19},  // equal word, firmware before 1.14.20
        {"old-firmware", -1, 0x34, 16, 19},    // no revision word
        {"premium", host, 0x30, 15, 19},       // after a newer one: "host older" is gone
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.profile) + " " + std::to_string(c.revision));
        profile(c.profile);
        if (c.revision >= 0)
            world().parameters[66] = int32_t(uint32_t(c.revision));
        g_device_info().reset();
        refresh_device_info(true);
        EXPECT_EQ(g_device().change_flags & 0x3F, c.flags);
        EXPECT_EQ(compatibility_text(true), c.fw_text);
        EXPECT_EQ(compatibility_text(false), c.host_text);
        EXPECT_TRUE(g_device().status_full_refresh);
        // The system information is read only after parameter 66 was.
        EXPECT_EQ(g_device_info().valid, c.revision >= 0);
    }
    EXPECT_EQ(g_device().revision_word, host);
    // The flags share their word with the change flags the files use.
    EXPECT_EQ(&g_host_context().change_flags(), &g_device().change_flags);

    // ")" as the first byte is kept as "+"; an unreadable word is the fixed one.
    world().parameters[66] = int32_t(0x32333429);
    refresh_device_info(true);
    EXPECT_EQ(g_device().revision_word, 0x3233342Bu);
    world().parameters.erase(66);
    refresh_device_info(true);
    EXPECT_EQ(g_device().revision_word, dp::revision_unreadable);

    // Not connected, or in the loader: firmware compatibility unknown.
    refresh_device_info(false);
    EXPECT_EQ(g_device().change_flags & 0x20, 0u);
    EXPECT_EQ(compatibility_text(true), 58);
    g_device().change_flags = 0;
    EXPECT_EQ(compatibility_text(false), 59);
    g_device().change_flags = 0x13;
    EXPECT_EQ(compatibility_text(false), 21);
    g_device().change_flags = 0x2C;
    EXPECT_EQ(compatibility_text(true), 17);
}

TEST_F(DeviceInfo, SetupValuesFromPairsOfParameters)
{
    const int pairs[][2] = {{22, 0x34}, {23, 0x12}, {24, 0x10}, {25, 0x27}, {26, 0xFF}, {27, 0x01}};
    for (auto p : pairs)
        world().parameters[uint16_t(p[0])] = p[1];
    error_record e;
    EXPECT_FALSE(read_setup_values(e, false));  // nothing read yet
    ASSERT_TRUE(read_setup_values(e, true)) << e.code;
    EXPECT_EQ(g_setup_values().vertical_distance, 0x1234);
    EXPECT_EQ(g_setup_values().reference_angle, 10000);
    EXPECT_EQ(g_setup_values().reference_length, 0x1FF);
    EXPECT_TRUE(read_setup_values(e, false));

    // The reference angle and the reference tool length are signed 16-bit values; the
    // vertical distance is not.
    const int negative[][2] = {{22, 0x50}, {23, 0xC3}, {24, 0xD8}, {25, 0xDC}, {26, 0x6A}, {27, 0xFF}};
    for (auto p : negative)
        world().parameters[uint16_t(p[0])] = p[1];
    ASSERT_TRUE(read_setup_values(e, true)) << e.code;
    EXPECT_EQ(g_setup_values().vertical_distance, 50000);
    EXPECT_EQ(g_setup_values().reference_angle, -9000);
    EXPECT_EQ(g_setup_values().reference_length, -150);

    world().parameters.erase(25);
    EXPECT_FALSE(read_setup_values(e, true));
    EXPECT_EQ(e.code, 6);
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_TRUE(ui_.boxes[0].startsWith("ERROR"));
}

TEST_F(DeviceInfo, SetupValuesShowWhatEndsTheWaitForAStatusReply)
{
    // A status request of the link timer is in flight and its reply never comes; meanwhile
    // the link reports a read error or an unplug, or nothing at all.
    struct row {
        const char* what;
        int32_t code;
        int16_t type;
    } rows[] = {
        {"read error", hid_status_read_error, err_type_usb_host},
        {"unplug", hid_status_unplugged, err_type_usb_host},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        ui_.boxes.clear();
        dev_exchange().status_in_flight = true;
        if (r.code == hid_status_read_error)
            fake_.push_read_error(31, dev_->path());
        else
            fake_.unplug(dev_->path());
        const auto t0 = std::chrono::steady_clock::now();
        error_record e;
        EXPECT_FALSE(read_setup_values(e, true));
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
        EXPECT_EQ(e.code, r.code);
        EXPECT_EQ(e.type, r.type);
        ASSERT_EQ(ui_.boxes.size(), 1u);
        EXPECT_FALSE(dev_exchange().status_in_flight);
    }
}
