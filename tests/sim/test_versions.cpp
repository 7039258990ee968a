// The controller's version model: what each kind of download does to the versions, the
// hooks that make the controller start its application, the power-fail fault, and the
// PROFINET stream; the generated installed files carry what the model looks for.
#include <gtest/gtest.h>

#include "sim/boot_loader.h"
#include "sim/device_versions.h"
#include "sim/image_markers.h"
#include "sim/profiles.h"
#include "sim/update_images.h"

namespace {

// Writes the bytes into memory as a download would and tells the model.
bool download(sim::device_versions& v, boot_memory& m, uint32_t address, const std::vector<uint8_t>& bytes, bool hex,
              bool ram)
{
    m.write(address, bytes.data(), bytes.size());
    sim::finished_download d;
    d.hex = hex;
    d.ram = ram;
    d.ranges = {{address, uint32_t(bytes.size())}};
    return v.on_download(m, d);
}

std::vector<uint8_t> text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TEST(versions, downloads_change_what_they_carry_and_hooks_start_the_application)
{
    sim::world w;
    ASSERT_TRUE(sim::load_profile(w, "premium"));
    sim::device_versions v;
    v.capture(w);
    EXPECT_EQ(v.describe(), "firmware 1.16.02.045 loader 1.05.03 logic 3.2 profinet 0.0.0.0 revision 0x9121 redesign 0");
    boot_memory m;

    // Firmware: a flash HEX image with its marker, after 1 KiB of other data.
    std::vector<uint8_t> fw(1024, 0x11);
    const auto marker = text(image_marker::make(image_marker::firmware, {1, 17, 6, 12}));
    fw.insert(fw.end(), marker.begin(), marker.end());
    EXPECT_FALSE(download(v, m, 0x10000, fw, true, false));
    EXPECT_EQ(v.firmware, (std::array<uint8_t, 3>{1, 17, 6}));
    EXPECT_EQ(v.build, 12);

    // Loader: the image waits for the programming hook; other hooks change nothing.
    const update_images::version loader{1, 6, 0};
    EXPECT_FALSE(download(v, m, 0xC0000, update_images::loader_image(loader), false, true));
    EXPECT_EQ(v.loader_text(), "1.05.03");
    EXPECT_FALSE(download(v, m, 0x20000000, text("jump hook"), true, true));
    EXPECT_EQ(v.loader_text(), "1.05.03");
    EXPECT_TRUE(download(v, m, 0x20000000, text(image_marker::program_loader), true, true));
    EXPECT_EQ(v.loader_text(), "1.06.00");

    // Logic: the controller reports a tenth of the file's minor; a power fail keeps the old one.
    const std::vector<update_images::logic_record> records = {{4, 30, 80}};
    const std::vector<uint8_t> package = update_images::logic_package(records);
    uint32_t position = 0, length = 0;
    update_images::logic_record_place(records, 0, position, length);
    const std::vector<uint8_t> data(package.begin() + position, package.begin() + position + length);
    v.power_fail = true;
    download(v, m, 0x4015000, data, false, true);
    EXPECT_TRUE(download(v, m, 0x20000000, text(image_marker::program_logic), true, true));
    EXPECT_EQ(v.logic_major, 3);
    EXPECT_EQ(v.logic_minor, 2);
    v.power_fail = false;
    download(v, m, 0x4015000, data, false, true);
    EXPECT_TRUE(download(v, m, 0x20000000, text(image_marker::program_logic), true, true));
    EXPECT_EQ(v.logic_major, 4);
    EXPECT_EQ(v.logic_minor, 3);

    v.on_stream(update_images::profinet_image({2, 1, 0, 8}, 600));
    EXPECT_EQ(v.profinet, (std::array<uint8_t, 4>{2, 1, 0, 8}));

    // What the application reports after its next start.
    sim::world after;
    ASSERT_TRUE(sim::load_profile(after, "premium-24"));
    v.apply(after);
    sim::device_versions again;
    again.capture(after);
    EXPECT_EQ(again.describe(), "firmware 1.17.06.012 loader 1.06.00 logic 4.3 profinet 2.1.0.8 revision 0x9121 redesign 0");
}

TEST(versions, generated_logic_packages_sum_to_zero_unless_asked_otherwise)
{
    const std::vector<update_images::logic_record> records = {{1, 10, 40}, {2, 20, 300}, {3, 30, 7}};
    auto sum = [](const std::vector<uint8_t>& p) {
        uint8_t s = 0;
        for (uint8_t b : p)
            s = uint8_t(s + b);
        return s;
    };
    using update_images::logic_fault;
    const std::vector<uint8_t> good = update_images::logic_package(records);
    EXPECT_EQ(sum(good), 0);
    EXPECT_EQ(good.size(), 2u + 3 * 6 + 40 + 300 + 7);
    EXPECT_EQ(good[0], 0x44);
    EXPECT_EQ(good[1], 0xBB);
    EXPECT_EQ(sum(update_images::logic_package(records, logic_fault::sum_off_by_one)), 1);
    EXPECT_EQ(sum(update_images::logic_package(records, logic_fault::wrong_magic)), 0);
    EXPECT_EQ(sum(update_images::logic_package(records, logic_fault::truncated)), 0);
    EXPECT_LT(update_images::logic_package(records, logic_fault::truncated).size(), good.size());
}

}  // namespace
