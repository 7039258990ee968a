// The simulated boot loader's objects: control records, erase, the HEX record stream, the
// binary sink, the upload source, the flash rules, the stay rule and the application's
// restart; and the test-image generator they are checked with.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#include "sim/boot_loader.h"
#include "sim/boot_sdo_server.h"
#include "sim/test_image.h"

namespace {

using bytes = std::vector<uint8_t>;

bytes le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

struct loader_fixture : public ::testing::Test {
    boot_loader loader;

    uint8_t write(uint16_t index, uint8_t sub, const bytes& v)
    {
        uint32_t confirm = 0;
        return loader.write(index, sub, v.data(), uint32_t(v.size()), &confirm);
    }
    uint8_t append(const bytes& v) { return loader.append_download(v.data(), uint32_t(v.size())); }
    // A HEX record piece as the download sequence passes it: mark, n, address, type, payload.
    static bytes piece(uint8_t type, uint16_t address, const bytes& payload)
    {
        bytes p = {':', uint8_t(payload.size()), uint8_t(address), uint8_t(address >> 8), type};
        p.insert(p.end(), payload.begin(), payload.end());
        return p;
    }
    // Flash of type 1 (megabyte slot 0x80), sectors first..last.
    void hex_control(uint8_t first, uint8_t last, uint8_t control = 0x01)
    {
        ASSERT_EQ(write(boot_index::hex_control, 0, {control, 1, first, last}), 0);
        ASSERT_EQ(write(boot_index::high_part, 0, le32(0x80)), 0);
    }
};

TEST_F(loader_fixture, value_objects_refuse_what_does_not_fit)
{
    struct row {
        const char* name;
        uint16_t index;
        uint8_t sub;
        bytes value;
        uint8_t reason;
    };
    const row rows[] = {
        {"HEX control into flash", 0x30F0, 0, {0x01, 1, 1, 2}, 0},
        {"HEX control into RAM", 0x30F0, 1, {0x41, 0, 0, 0}, 0},
        {"HEX control without bit 0", 0x30F0, 0, {0x00, 1, 1, 2}, boot_reason::wrong_parameters},
        {"binary control with bit 0", 0x30F4, 0, {0x01, 1, 1, 2}, boot_reason::wrong_parameters},
        {"flash code of no controller", 0x30F4, 0, {0x00, 7, 1, 2}, boot_reason::wrong_parameters},
        {"control subindex 2", 0x30F0, 2, {0x01, 1, 1, 2}, boot_reason::illegal_subindex},
        {"control of 3 bytes", 0x30F0, 0, {0x01, 1, 1}, boot_reason::wrong_parameters},
        {"upload control into RAM subindex", 0x30F8, 1, {0x01, 0, 0, 0}, boot_reason::illegal_subindex},
        {"high part of 2 bytes", 0x30FB, 0, {0x80, 0}, 0},
        {"length of 2 bytes", 0x30F5, 0, {0x10, 0}, boot_reason::wrong_parameters},
        {"address subindex 1", 0x30F6, 1, le32(0), boot_reason::illegal_subindex},
        {"a domain written as a value", 0x30F1, 0, le32(0), boot_reason::wrong_parameters},
        {"unknown index", 0x3000, 0, le32(0), boot_reason::illegal_index},
        {"connect value", 0x30FC, 0, le32(0x12345678), 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(write(r.index, r.sub, r.value), r.reason) << r.name;
}

TEST_F(loader_fixture, domains_open_only_after_their_records)
{
    EXPECT_EQ(loader.open_download(boot_index::hex_domain, 0, 0), boot_reason::not_started);
    ASSERT_EQ(write(boot_index::bin_control, 1, {0x40, 0, 0, 0}), 0);
    EXPECT_EQ(loader.open_download(boot_index::bin_domain, 0, 0), boot_reason::not_started) << "no length, no address";
    EXPECT_EQ(loader.open_download(boot_index::hex_domain, 0, 0), boot_reason::not_started) << "binary control";
    ASSERT_EQ(write(boot_index::length, 0, le32(4)), 0);
    ASSERT_EQ(write(boot_index::address, 0, le32(0)), 0);
    EXPECT_EQ(loader.open_download(boot_index::length, 0, 0), boot_reason::wrong_parameters);
    EXPECT_EQ(loader.open_download(0x3001, 0, 0), boot_reason::illegal_index);
    std::vector<uint8_t> content;
    EXPECT_EQ(loader.open_upload(boot_index::upload_domain, 0, &content), boot_reason::not_started);
}

TEST_F(loader_fixture, hex_stream_in_any_cut_writes_the_generators_bytes_and_erases_at_the_opening)
{
    test_image::hex_options o;
    o.seed = 7;
    o.data_bytes = 20000;
    o.base = 0x4000;  // sector 1 of type 1, behind the slot
    test_image::hex_image img = test_image::make_hex(o);
    // The pieces from the file's lines (test-local conversion: the byte order of the piece).
    bytes stream;
    std::istringstream in(img.text);
    std::string line;
    while (std::getline(in, line)) {
        auto byte = [&](size_t i) { return uint8_t(std::stoul(line.substr(1 + 2 * i, 2), nullptr, 16)); };
        uint8_t n = byte(0), type = byte(3);
        bytes payload;
        for (uint8_t i = 0; i < n; ++i)
            payload.push_back(byte(4 + i));
        if (type == 2 || type == 4 || type == 3 || type == 5)
            for (size_t i = 0; i + 1 < payload.size(); i += 2)
                std::swap(payload[i], payload[i + 1]);  // 16-bit values little-endian
        if (type == 5)
            payload = {payload[2], payload[3], payload[0], payload[1]};
        bytes p = piece(type, uint16_t(byte(1) << 8 | byte(2)), payload);
        stream.insert(stream.end(), p.begin(), p.end());
    }
    loader.set_erase_delay(25);
    loader.memory().write(0x08004000, bytes(16, 0x00).data(), 16);  // old firmware, erased by the opening
    hex_control(1, 4);
    ASSERT_EQ(loader.open_download(boot_index::hex_domain, 0, 0), 0);
    EXPECT_EQ(loader.take_reply_delay_ms(), 4u * 25);
    std::mt19937 g(3);
    for (size_t pos = 0; pos < stream.size();) {
        size_t n = std::min<size_t>(stream.size() - pos, std::uniform_int_distribution<size_t>(0, 70)(g));
        ASSERT_EQ(append(bytes(stream.begin() + long(pos), stream.begin() + long(pos + n))), 0) << "at " << pos;
        pos += n;
    }
    ASSERT_EQ(loader.finish_download(), 0);
    for (const auto& r : img.runs)
        ASSERT_EQ(loader.memory().read(0x08000000 + r.address, uint32_t(r.bytes.size())), r.bytes) << std::hex << r.address;
    EXPECT_EQ(loader.start_address(), o.base);
    EXPECT_EQ(loader.take_event(), boot_loader::event::start_application);
    EXPECT_EQ(loader.log(), (std::vector<std::string>{"control 30F0 0 01 01 01 04", "erase 1-4", "start application"}));
}

TEST_F(loader_fixture, flash_accepts_erased_bytes_of_erased_sectors_only)
{
    struct row {
        const char* name;
        uint16_t address;  // within the slot
        uint8_t reason;
    };
    hex_control(1, 1);
    ASSERT_EQ(loader.open_download(boot_index::hex_domain, 0, 0), 0);
    const row rows[] = {
        {"erased sector", 0x4000, 0},
        {"same byte again", 0x4000, boot_reason::not_erased},
        {"sector not erased", 0x8000, boot_reason::not_erased},
        {"boot sector", 0x0010, boot_reason::boot_sector},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(append(piece(0, r.address, {0x55})), r.reason) << r.name;
        loader.open_download(boot_index::hex_domain, 0, 0);
    }
    EXPECT_EQ(append(piece(4, 0, {0x10, 0x00})), 0);
    EXPECT_EQ(append(piece(0, 0, {0x55})), boot_reason::too_large) << "beyond the flash";
    EXPECT_EQ(write(boot_index::hex_control, 0, {0x01, 1, 0, 1}), 0);
    EXPECT_EQ(loader.open_download(boot_index::hex_domain, 0, 0), boot_reason::boot_sector) << "erase of sector 0";
}

TEST_F(loader_fixture, binary_ranges_write_from_their_address_and_keep_their_length)
{
    // RAM of the first controllers at 0xC0000: segment 0xC000.
    ASSERT_EQ(write(boot_index::bin_control, 1, {0x40, 0, 0, 0}), 0);
    ASSERT_EQ(write(boot_index::length, 0, le32(5)), 0);
    ASSERT_EQ(write(boot_index::address, 0, le32(0xC0000000u | 3)), 0);
    ASSERT_EQ(loader.open_download(boot_index::bin_domain, 0, 0), 0);
    EXPECT_EQ(append({1, 2, 3}), 0);
    EXPECT_EQ(append({4, 5, 6}), boot_reason::too_large);
    EXPECT_EQ(append({4}), 0);
    EXPECT_EQ(loader.finish_download(), boot_reason::wrong_parameters) << "one byte short";
    ASSERT_EQ(loader.open_download(boot_index::bin_domain, 0, 0), 0);
    EXPECT_EQ(append({9, 8, 7, 6, 5}), 0);
    EXPECT_EQ(loader.finish_download(), 0);
    EXPECT_EQ(loader.memory().read(0xC0003, 6), (bytes{9, 8, 7, 6, 5, 0xFF}));
    EXPECT_EQ(loader.take_event(), boot_loader::event::none) << "bit 6 set: stays";
    EXPECT_EQ(loader.log().back(), "range C0003 5");
    // Outside every RAM window.
    ASSERT_EQ(write(boot_index::bin_control, 1, {0x40, 0, 0, 0}), 0);
    ASSERT_EQ(write(boot_index::length, 0, le32(1)), 0);
    ASSERT_EQ(write(boot_index::address, 0, le32(0x10000000)), 0);
    ASSERT_EQ(loader.open_download(boot_index::bin_domain, 0, 0), 0);
    EXPECT_EQ(append({1}), boot_reason::too_large);
}

TEST_F(loader_fixture, upload_serves_memory_and_starts_the_application_unless_told_to_stay)
{
    loader.memory().write(0x80010, bytes{1, 2, 3}.data(), 3);
    for (uint8_t control : {0x41, 0x01}) {
        ASSERT_EQ(write(boot_index::upload_control, 0, {control, 0, 0, 0}), 0);
        ASSERT_EQ(write(boot_index::high_part, 0, {0, 0}), 0);
        ASSERT_EQ(write(boot_index::length, 0, le32(4)), 0);
        ASSERT_EQ(write(boot_index::address, 0, le32(0x80000000u | 0x0010)), 0);
        std::vector<uint8_t> content;
        ASSERT_EQ(loader.open_upload(boot_index::upload_domain, 0, &content), 0);
        EXPECT_EQ(content, (bytes{1, 2, 3, 0xFF}));
        loader.finish_upload();
        EXPECT_EQ(loader.take_event(),
                  control & 0x40 ? boot_loader::event::none : boot_loader::event::start_application);
    }
}

TEST_F(loader_fixture, without_firmware_the_loader_stays)
{
    loader.set_firmware_present(false);
    ASSERT_EQ(write(boot_index::hex_control, 1, {0x01, 0, 0, 0}), 0);
    ASSERT_EQ(loader.open_download(boot_index::hex_domain, 0, 0), 0);
    ASSERT_EQ(append(piece(2, 0, {0x00, 0xC0})), 0);
    ASSERT_EQ(append(piece(0, 0, {1})), 0);
    ASSERT_EQ(loader.finish_download(), 0);
    EXPECT_EQ(loader.take_event(), boot_loader::event::none) << "a RAM transfer brings no firmware";
    EXPECT_EQ(loader.memory().get(0xC0000), 1);
}

TEST_F(loader_fixture, application_answers_the_connect_value_by_restarting_and_nothing_else)
{
    loader.set_application(true);
    uint32_t confirm = 0;
    bytes v = le32(0x55);
    EXPECT_EQ(loader.write(boot_index::connect, 0, v.data(), 4, &confirm), 0);
    EXPECT_EQ(confirm, boot_restart_confirm);
    EXPECT_EQ(loader.take_event(), boot_loader::event::restart_into_loader);
    EXPECT_EQ(write(boot_index::hex_control, 0, {0x01, 1, 1, 1}), boot_reason::not_started);
    EXPECT_EQ(loader.open_download(boot_index::hex_domain, 0, 0), boot_reason::not_started);
}

TEST_F(loader_fixture, through_the_transfer_server_an_empty_last_segment_ends_the_stream)
{
    boot_sdo_server server(loader, boot_session::usb());
    ASSERT_EQ(write(boot_index::hex_control, 1, {0x41, 0, 0, 0}), 0);
    auto send = [&](const bytes& f) { return server.handle(f.data(), f.size()); };
    ASSERT_EQ(send({0x20, 0xF1, 0x30, 0, 0, 9, 0, 0}).at(0)[0], 0x60);
    bytes seg = {0x00};
    for (uint8_t b : piece(2, 0, {0x00, 0xC0}))
        seg.push_back(b);
    for (uint8_t b : piece(0, 0x20, {7, 8}))
        seg.push_back(b);
    ASSERT_EQ(send(seg).at(0)[0], 0x20);
    ASSERT_EQ(send({0x11}).at(0)[0], 0x30) << "no end record: an empty last segment";
    EXPECT_EQ(loader.memory().read(0xC0020, 2), (bytes{7, 8}));
}

TEST(test_image, hex_lines_are_valid_and_use_every_record_kind_asked_for)
{
    struct row {
        const char* name;
        bool crlf, lower;
    };
    for (const row& r : {row{"LF upper", false, false}, row{"CR LF lower", true, true}}) {
        test_image::hex_options o;
        o.seed = 11;
        o.data_bytes = 64 * 1024;
        o.base = 0x10000;
        o.crlf = r.crlf;
        o.lower_case = r.lower;
        auto img = test_image::make_hex(o);
        std::set<int> types;
        size_t lines = 0, data = 0;
        std::istringstream in(img.text);
        std::string line;
        while (std::getline(in, line)) {
            ++lines;
            ASSERT_EQ(!line.empty() && line.back() == '\r', r.crlf) << r.name;
            if (r.crlf)
                line.pop_back();
            ASSERT_EQ(line[0], ':');
            ASSERT_EQ(line.size() % 2, 1u);
            if (r.lower) {
                EXPECT_FALSE(std::any_of(line.begin(), line.end(), [](char c) { return c >= 'A' && c <= 'F'; })) << line;
            }
            uint8_t sum = 0;
            for (size_t i = 1; i < line.size(); i += 2)
                sum = uint8_t(sum + std::stoul(line.substr(i, 2), nullptr, 16));
            EXPECT_EQ(sum, 0) << line;
            int type = int(std::stoul(line.substr(7, 2), nullptr, 16));
            types.insert(type);
            if (type == 0)
                data += std::stoul(line.substr(1, 2), nullptr, 16);
        }
        EXPECT_EQ(lines, img.records);
        EXPECT_EQ(data, o.data_bytes);
        EXPECT_EQ(types, (std::set<int>{0, 1, 2, 3, 4, 5})) << r.name;
        size_t placed = 0;
        for (size_t i = 0; i < img.runs.size(); ++i) {
            placed += img.runs[i].bytes.size();
            if (i > 0) {
                EXPECT_GT(img.runs[i].address, img.runs[i - 1].address + img.runs[i - 1].bytes.size()) << "a gap";
            }
        }
        EXPECT_EQ(placed, o.data_bytes);
        EXPECT_GT(img.runs.size(), 10u) << "gaps";
    }
}

TEST(test_image, binary_has_0xff_only_in_the_runs_asked_for)
{
    auto b = test_image::make_binary(5, 1000, {{10, 255}, {400, 256}});
    for (size_t i = 0; i < b.size(); ++i)
        ASSERT_EQ(b[i] == 0xFF, (i >= 10 && i < 265) || (i >= 400 && i < 656)) << i;
}

}  // namespace
