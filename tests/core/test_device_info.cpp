// Device information against the simulated controller's profiles: the system-information
// read, the variant flags from parameter 28, the compatibility flags, the set-up values.
#include "core/device/device_info.h"
#include "tests/core/device_sim_fixture.h"

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
        EXPECT_EQ(d.io_module_text, "IO-Module A");
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

TEST_F(DeviceInfo, LinkErrorInTheIdentificationIsNotTakenForARefusal)
{
    // Parameters 109 and 28 answer; 75 gets a reply of another kind (host error 7).
    arm("wrong-kind type=0x23 skip=2");
    error_record e;
    EXPECT_FALSE(dev_read_system_info(e));
    EXPECT_EQ(e.type, err_type_host);
    EXPECT_EQ(e.code, 7);
    EXPECT_TRUE(g_device_info().valid);
    EXPECT_EQ(g_device_info().cu_article_text, "-----");

    // Parameter 109 failing is no failure of the read.
    g_device_info().reset();
    world().parameters.erase(109);
    ASSERT_TRUE(dev_read_system_info(e));
    EXPECT_EQ(g_device_info().hw_config_suffix, "");
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
        EXPECT_TRUE(g_device_info().valid);
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

    world().parameters.erase(25);
    EXPECT_FALSE(read_setup_values(e, true));
    EXPECT_EQ(e.code, 6);
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_TRUE(ui_.boxes[0].startsWith("ERROR"));
}
