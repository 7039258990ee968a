// The simulated controller's program in its non-volatile memory (device memory and flash
// configuration): written by requests, it comes back after a start; another controller's
// memory gives that controller's program whole; damaged memory gives the factory program; a
// tool that would not fit is refused.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

#include "core/image/byte_record.h"
#include "sim/boot_flash_map.h"
#include "sim/card_image.h"
#include "sim/controller.h"
#include "sim/demo_program.h"
#include "sim/profiles.h"
#include "sim/program_memory.h"

namespace dp = device_protocol;
namespace pm = sim::program_memory;

namespace {

constexpr uint32_t own_value = 0x12345678;

// A controller's world, its request handling and its memory.
struct controller_unit {
    sim::world w;
    sim::fault_plan faults;
    sim::wire_log log;
    sim::controller c{w, faults, log};
    std::vector<uint8_t> area = std::vector<uint8_t>(dp::clone_area_size, 0);
    std::vector<uint8_t> flash = std::vector<uint8_t>(boot_flash::flash_config_size, 0xFF);

    explicit controller_unit(const char* profile)
    {
        sim::load_profile(w, profile);
        for (size_t at : {size_t(8), size_t(0x2008)})
            le::put32(flash.data() + at, own_value);
    }
    // 0 acknowledged, else the device error code.
    int send(const device_frame& f)
    {
        const auto r = c.handle_frame(f);
        EXPECT_EQ(r.size(), 1u);
        return r.at(0).is_error() ? r.at(0)[dp::error_code_offset] : 0;
    }
    void store()
    {
        pm::write_device_part(area, pm::device_part(w));
        pm::write_flash_part(flash, pm::flash_part(w));
    }
    // A start: the profile's factory program, then what the memory holds.
    void restart(const std::vector<uint8_t>& from_area, const std::vector<uint8_t>& from_flash,
                 bool* device_ok = nullptr, bool* flash_ok = nullptr)
    {
        sim::load_profile(w, w.profile_name);
        const bool d = pm::load_device_part(w, from_area);
        const bool f = pm::load_flash_part(w, from_flash);
        if (device_ok)
            *device_ok = d;
        if (flash_ok)
            *flash_ok = f;
    }

    int write_parameter(uint16_t n, int32_t v)
    {
        device_frame q = device_frame::make(dp::req_write_parameter, 6);
        q.set_u16(dp::parameter_number_offset, n);
        q.set_u32(dp::parameter_value_offset, uint32_t(v));
        return send(q);
    }
    int write_function(uint16_t n, uint8_t seed)
    {
        device_frame q = device_frame::make(dp::req_write_function, dp::count_write_function);
        q.set_u16(dp::function_number_offset, n);
        for (size_t i = 0; i < sim::world::function_size; ++i)
            q[dp::function_data_offset + i] = uint8_t(seed + i);
        return send(q);
    }
    int write_tool_type(uint16_t n, uint8_t seed)
    {
        for (uint8_t piece = 0; piece * dp::record179_piece < dp::record179_size; ++piece) {
            device_frame q = device_frame::make(dp::req_write_record179, dp::count_block);
            q.set_u16(dp::record_number_offset, n);
            q[dp::record179_piece_offset] = piece;
            for (size_t i = 0; i < dp::record179_piece; ++i)
                q[dp::record179_data_offset + i] = uint8_t(seed + piece + i);
            if (int e = send(q))
                return e;
        }
        return 0;
    }
    int write_tool(uint16_t n, uint8_t seed)
    {
        for (uint32_t piece = 0; piece * dp::record222_piece < dp::record222_size; ++piece) {
            device_frame q = device_frame::make(dp::req_write_record222, dp::count_block);
            q.set_u16(dp::record_number_offset, n);
            q.set_u32(dp::record222_piece_offset, piece);
            for (size_t i = 0; i < dp::record222_piece; ++i)
                q[dp::record222_data_offset + i] = uint8_t(seed + piece + i);
            if (int e = send(q))
                return e;
        }
        return 0;
    }
    int write_list_piece(uint16_t n, uint32_t piece, int16_t base)
    {
        device_frame q = device_frame::make(dp::req_write_record222, dp::count_block);
        q.set_u16(dp::record_number_offset, n);
        q.set_u32(dp::record222_piece_offset, piece | dp::value_list_piece_flag);
        for (size_t i = 0; i < dp::record222_piece / 2; ++i)
            q.set_u16(dp::record222_data_offset + 2 * i, uint16_t(base + int16_t(i)));
        return send(q);
    }
    int write_user_set(uint8_t set, uint8_t seed)
    {
        for (uint8_t block = 0; block < 4; ++block) {
            device_frame q = device_frame::make(dp::req_write_scanner, dp::count_write_scanner);
            q[dp::scanner_set_offset] = set;
            q[dp::scanner_block_offset] = block;
            for (size_t i = 0; i < dp::scanner_block; ++i)
                q[dp::scanner_data_offset + i] = uint8_t(seed + block + i);
            if (int e = send(q))
                return e;
        }
        return 0;
    }
};

// The program's stores of two worlds, compared; "" when equal.
std::string program_difference(const sim::world& a, const sim::world& b)
{
    if (a.parameters != b.parameters)
        return "parameters";
    if (a.function_used != b.function_used || a.functions != b.functions)
        return "function records";
    if (a.tool_type_used != b.tool_type_used || a.tool_types != b.tool_types)
        return "tool types";
    if (a.tool_used != b.tool_used || a.tools != b.tools)
        return "tools";
    if (a.tool_lists != b.tool_lists)
        return "value lists";
    for (size_t k : {128, 129})
        if (a.scanner_sets[k] != b.scanner_sets[k])
            return "user scanner set " + std::to_string(k - 128);
    if (a.program_loaded != b.program_loaded)
        return "demo cycles";
    return "";
}

// A program of every kind written by requests, on a process-monitor controller.
void write_program(controller_unit& u)
{
    ASSERT_EQ(u.write_parameter(105, -321), 0);
    ASSERT_EQ(u.write_parameter(17, 1), 0);
    ASSERT_EQ(u.write_function(20, 3), 0);
    ASSERT_EQ(u.write_function(63, 9), 0);
    ASSERT_EQ(u.write_tool_type(200, 5), 0);
    ASSERT_EQ(u.write_tool(9, 7), 0);
    ASSERT_EQ(u.write_list_piece(9, 0, -40), 0);
    ASSERT_EQ(u.write_list_piece(9, 1, 700), 0);
    ASSERT_EQ(u.write_user_set(0x81, 11), 0);
}

// The part's length and CRC made right again after a change of its payload.
void seal(std::vector<uint8_t>& part)
{
    le::put32(part.data() + 8, uint32_t(part.size() - pm::header_size));
    le::put32(part.data() + 12, card_image::crc32(part.data() + pm::header_size, part.size() - pm::header_size));
}

TEST(ProgramMemory, a_program_written_by_requests_comes_back_after_a_start_and_the_own_value_stays)
{
    controller_unit a("premium-pm-tools");
    write_program(a);
    a.store();
    EXPECT_EQ(le::u32(a.flash.data() + 8), own_value);
    EXPECT_EQ(le::u32(a.flash.data() + 0x2008), own_value);
    EXPECT_EQ(a.flash.back(), 0xFF);

    controller_unit again("premium-pm-tools");
    bool device_ok = false, flash_ok = false;
    again.restart(a.area, a.flash, &device_ok, &flash_ok);
    EXPECT_TRUE(device_ok && flash_ok);
    EXPECT_EQ(program_difference(again.w, a.w), "");
    EXPECT_EQ(again.w.parameters.at(105), -321);
    EXPECT_TRUE(again.w.function_used[63]);
}

// A clone replaces: the memory of another controller, or of a factory one, gives that program
// whole, whatever the controller held before; its identity stays its own.
TEST(ProgramMemory, another_controllers_memory_gives_its_program_whole)
{
    controller_unit a("premium-pm-tools");
    write_program(a);
    a.w.parameters[dp::param_cu_serial] = 555;
    a.store();
    controller_unit factory("premium-pm-tools");
    factory.store();

    struct row {
        const char* name;
        const controller_unit& source;
    };
    for (const row& r : {row{"programmed", a}, row{"factory", factory}}) {
        SCOPED_TRACE(r.name);
        controller_unit b("premium-pm-tools");
        sim::load_demo_program(b.w);
        ASSERT_EQ(b.write_parameter(105, 77), 0);
        ASSERT_EQ(b.write_user_set(0x80, 1), 0);
        b.store();
        b.restart(r.source.area, r.source.flash);
        // The serial number is the controller's own.
        sim::world expected = r.source.w;
        expected.parameters[dp::param_cu_serial] = factory.w.parameters.at(dp::param_cu_serial);
        EXPECT_EQ(program_difference(b.w, expected), "");
    }
}

// Damaged memory, with its check made right where the damage is inside the payload: the
// factory program, no crash, no endless loop.
TEST(ProgramMemory, damaged_memory_gives_the_factory_program)
{
    controller_unit a("premium-pm-tools");
    sim::load_demo_program(a.w);
    write_program(a);
    const std::vector<uint8_t> device = pm::device_part(a.w), flash = pm::flash_part(a.w);
    const controller_unit factory("premium-pm-tools");

    struct row {
        const char* name;
        bool in_flash;
        std::function<void(std::vector<uint8_t>&)> damage;  // on the part, header included
        bool sealed;                                        // length and CRC made right after
    };
    const size_t payload = pm::header_size;
    const row rows[] = {
        {"bad magic", false, [](std::vector<uint8_t>& p) { p[0] ^= 1; }, false},
        {"other layout version", true, [](std::vector<uint8_t>& p) { p[4] = 2; }, false},
        {"bad checksum", false, [](std::vector<uint8_t>& p) { p[payload + 9] ^= 0x40; }, false},
        {"length beyond the memory", true, [](std::vector<uint8_t>& p) { le::put32(p.data() + 8, 0xFFFFFFF0u); },
         false},
        {"parameter count beyond the payload", false, [](std::vector<uint8_t>& p) { le::put16(p.data() + payload, 0xFFFF); },
         true},
        {"function number 512", false,
         [](std::vector<uint8_t>& p) {
             const size_t params = le::u16(p.data() + payload);
             le::put16(p.data() + payload + 2 + 6 * params + 2, 512);
         },
         true},
        {"bytes after the last entry", false, [](std::vector<uint8_t>& p) { p.push_back(0); }, true},
        {"payload cut short", true, [](std::vector<uint8_t>& p) { p.resize(p.size() - 3); }, true},
        {"tool type count beyond the payload", true, [](std::vector<uint8_t>& p) { le::put16(p.data() + payload, 0x7FFF); },
         true},
        {"vendor tool type", true, [](std::vector<uint8_t>& p) { le::put16(p.data() + payload + 2, 5); }, true},
        {"value list longer than the payload", true,
         [](std::vector<uint8_t>& p) {
             // The last entry is tool 9's list: its count sits 4 + 2 x values before the end.
             const size_t values = 52;
             le::put32(p.data() + p.size() - 2 * values - 4, 0x7FFFFFFF);
         },
         true},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<uint8_t> part = r.in_flash ? flash : device;
        r.damage(part);
        if (r.sealed)
            seal(part);
        controller_unit b("premium-pm-tools");
        b.store();  // a valid program of the other kind
        if (r.in_flash)
            pm::write_flash_part(b.flash, part);
        else
            pm::write_device_part(b.area, part);
        sim::load_demo_program(b.w);
        bool device_ok = true, flash_ok = true;
        b.restart(b.area, b.flash, &device_ok, &flash_ok);
        EXPECT_FALSE(r.in_flash ? flash_ok : device_ok);
        EXPECT_EQ(program_difference(b.w, factory.w), "");
    }

    // Random device memory behind a right header (length and CRC fitting the bytes).
    std::mt19937 random(43);
    for (int i = 0; i < 200; ++i) {
        std::vector<uint8_t> part(pm::header_size + random() % 2000);
        for (auto& b : part)
            b = uint8_t(random());
        std::memcpy(part.data(), device.data(), 8);
        seal(part);
        controller_unit b("premium-pm-tools");
        pm::write_device_part(b.area, part);
        bool device_ok = true;
        b.restart(b.area, b.flash, &device_ok);
        EXPECT_FALSE(device_ok) << i;
        EXPECT_EQ(program_difference(b.w, factory.w), "") << i;
    }
}

// A controller with modelled memory refuses the tool, tool type or value list that would not
// fit: what it took is what it keeps.
TEST(ProgramMemory, a_tool_that_does_not_fit_is_refused_and_what_was_taken_is_kept)
{
    controller_unit a("premium-pm-tools");
    a.w.program_flash_limit = pm::flash_capacity();
    uint16_t n = 10;
    int e = 0;
    while (n < 500 && (e = a.write_tool(n, uint8_t(n))) == 0)
        ++n;
    ASSERT_LT(n, 500) << "500 tools fit";
    EXPECT_EQ(e, dp::device_error_data_count);
    EXPECT_FALSE(a.w.tool_used[n]);
    EXPECT_LE(pm::flash_part_size(a.w), a.w.program_flash_limit);
    EXPECT_EQ(a.write_tool_type(130, 1), dp::device_error_data_count);
    EXPECT_EQ(a.write_list_piece(3, 2000, 1), dp::device_error_data_count);
    EXPECT_EQ(a.w.tool_lists.at(3).size(), 500u);  // the taught curve as it was
    // Rewriting a tool it holds takes no more room.
    EXPECT_EQ(a.write_tool(10, 99), 0);

    a.store();
    controller_unit b("premium-pm-tools");
    b.restart(a.area, a.flash);
    EXPECT_EQ(program_difference(b.w, a.w), "");
}

}  // namespace
