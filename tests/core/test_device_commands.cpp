// Every request builder against the simulated controller: the bytes it sends, the pieces it
// takes, the time-outs it waits, what it does with "no data" and with failures.
#include <numeric>

#include "core/text/text_tables.h"
#include "tests/core/device_sim_fixture.h"

namespace dp = device_protocol;

namespace {

std::vector<uint8_t> bytes(const device_frame& f, size_t from, size_t n)
{
    return std::vector<uint8_t>(f.data() + from, f.data() + from + n);
}
std::vector<uint8_t> pattern(size_t n, uint8_t seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(seed + i * 7);
    return v;
}
using B = std::vector<uint8_t>;

}  // namespace

using DeviceCommands = device_sim_test;

TEST_F(DeviceCommands, ParameterReadAndWrite)
{
    error_record e;
    uint8_t v[4] = {};
    ASSERT_TRUE(dev_read_param(28, 4, v, e)) << e.code;
    EXPECT_EQ(v[0], 0x20);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(bytes(sent[0], 1, 6), (B{0xBB, 0x23, 0x02, 28, 0, 0}));
    EXPECT_EQ(timeouts[0], 10000);

    forget();
    const uint8_t value[4] = {0x34, 0x12, 0, 0};
    ASSERT_TRUE(dev_write_param(3, 4, value, e)) << e.code;
    EXPECT_EQ(bytes(sent[0], 1, 10), (B{0xBB, 0x03, 0x06, 3, 0, 0x34, 0x12, 0, 0, 0}));
    EXPECT_EQ(timeouts[0], 60000);
    EXPECT_EQ(world().parameters[3], 0x1234);

    // A refusal carries no argument for the text.
    EXPECT_FALSE(dev_write_param(250, 4, value, e));
    EXPECT_EQ(e.type, err_type_device);
    EXPECT_EQ(e.code, 6);
    EXPECT_EQ(e.argument_kind, err_arg_none);
}

TEST_F(DeviceCommands, MemoryBlocksTravelInPiecesOf49)
{
    struct {
        uint32_t length;
        size_t frames;
    } cases[] = {{0, 0}, {1, 1}, {49, 1}, {50, 2}, {98, 2}, {99, 3}};
    int runs = 0;
    g_dev_commands().link_timer_run = [&](bool run) { runs += run ? 1 : -1; };
    for (auto c : cases) {
        SCOPED_TRACE(c.length);
        auto data = pattern(c.length, uint8_t(c.length));
        error_record e;
        forget();
        ASSERT_TRUE(dev_write_block(dp::memory_area_clone, data.data(), 0x100, c.length, e)) << e.code;
        EXPECT_EQ(sent.size(), c.frames);
        std::vector<uint8_t> back(c.length);
        forget();
        ASSERT_TRUE(dev_read_block(dp::memory_area_clone, back.data(), 0x100, c.length, e)) << e.code;
        EXPECT_EQ(sent.size(), c.frames);
        EXPECT_EQ(back, data);
        EXPECT_EQ(runs, 0);  // the link timer runs again after every transfer
    }
    // 50 bytes: 49 from the offset, then 1 more.
    std::vector<uint8_t> back(50);
    error_record e;
    forget();
    ASSERT_TRUE(dev_read_block(dp::memory_area_clone, back.data(), 0x1000, 50, e));
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(bytes(sent[0], 1, 9), (B{0xBB, 0x25, 0x06, 3, 0x00, 0x10, 0, 0, 49}));
    EXPECT_EQ(bytes(sent[1], 1, 9), (B{0xBB, 0x25, 0x06, 3, 0x31, 0x10, 0, 0, 1}));
    forget();
    ASSERT_TRUE(dev_write_zero_block(dp::memory_area_clone, 0x1000, 50, e));
    EXPECT_EQ(bytes(sent[0], 1, 9), (B{0xBB, 0x05, 0x3B, 3, 0x00, 0x10, 0, 0, 49}));
    EXPECT_EQ(world().clone_area[0x1000], 0);

    // A bad area ends at the first piece with the controller's error.
    forget();
    EXPECT_FALSE(dev_read_block(7, back.data(), 0, 50, e));
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_EQ(e.type, err_type_device);
    EXPECT_EQ(e.code, 24);
    EXPECT_EQ(runs, 0);
    // Every event pass between pieces ran with the link timer kept out.
    EXPECT_GT(ui_.passes, 0);
    EXPECT_EQ(ui_.passes_unguarded, 0);
}

TEST_F(DeviceCommands, Record222InFivePiecesAndNotFound)
{
    auto rec = pattern(222, 3);
    error_record e;
    ASSERT_TRUE(dev_write_record222(5, true, rec.data(), e)) << e.code;
    ASSERT_EQ(sent.size(), 5u);
    for (uint32_t i = 0; i < 5; ++i)
        EXPECT_EQ(bytes(sent[i], 1, 9), (B{0xBB, 0x0C, 0x3B, 5, 0, uint8_t(i), 0, 0, 0})) << i;
    EXPECT_EQ(bytes(sent[4], 11, 14), B(rec.begin() + 208, rec.end()));
    EXPECT_EQ(sent[4][25], 0);  // nothing past the last 14 bytes

    forget();
    std::vector<uint8_t> back(222);
    bool found = false;
    ASSERT_TRUE(dev_read_record222(false, 5, found, back.data(), e)) << e.code;
    EXPECT_TRUE(found);
    EXPECT_EQ(back, rec);
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(bytes(sent[3], 1, 9), (B{0xBB, 0x2C, 0x3B, 5, 0, 3, 0, 0, 0}));

    // No such record: 0x40 in the first reply, no error, one frame.
    forget();
    found = true;
    ASSERT_TRUE(dev_read_record222(false, 6, found, back.data(), e));
    EXPECT_FALSE(found);
    EXPECT_EQ(e.code, 0);
    EXPECT_EQ(sent.size(), 1u);

    // A free record: the first reply has 0x40 and ends the write.
    forget();
    ASSERT_TRUE(dev_write_record222(5, false, rec.data(), e));
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][2], 0x4C);
    EXPECT_FALSE(world().tool_used[5]);

    // The record of the last cycle, in the second store.
    world().last_cycle_valid = true;
    std::copy(rec.begin(), rec.end(), world().last_cycle.begin());
    forget();
    ASSERT_TRUE(dev_read_record222_8000(found, back.data(), e));
    EXPECT_TRUE(found);
    EXPECT_EQ(back, rec);
    EXPECT_EQ(bytes(sent[0], 1, 5), (B{0xBB, 0x2D, 0x3B, 0x00, 0x80}));
}

TEST_F(DeviceCommands, Record179InFourPiecesVendorTypesReadOnly)
{
    auto rec = pattern(179, 9);
    error_record e;
    ASSERT_TRUE(dev_write_record179(200, true, rec.data(), e)) << e.code;
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(bytes(sent[3], 1, 6), (B{0xBB, 0x08, 0x3B, 200, 0, 3}));
    EXPECT_EQ(bytes(sent[3], 7, 11), B(rec.begin() + 168, rec.end()));

    forget();
    std::vector<uint8_t> back(179);
    bool found = false;
    ASSERT_TRUE(dev_read_record179(200, found, back.data(), e));
    EXPECT_TRUE(found);
    EXPECT_EQ(back, rec);
    EXPECT_EQ(sent.size(), 4u);

    forget();
    ASSERT_TRUE(dev_read_record179(201, found, back.data(), e));
    EXPECT_FALSE(found);
    EXPECT_EQ(sent.size(), 1u);

    forget();
    EXPECT_FALSE(dev_write_record179(5, true, rec.data(), e));
    EXPECT_EQ(e.code, 7);
    EXPECT_EQ(sent.size(), 1u);  // a failed piece is never repeated
}

TEST_F(DeviceCommands, FirstFailureEndsARecordRead)
{
    auto rec = pattern(222, 1);
    error_record e;
    ASSERT_TRUE(dev_write_record222(7, true, rec.data(), e));
    forget();
    arm("error type=0x2C skip=2 code=19 count=3 arg=4");
    std::vector<uint8_t> back(222);
    bool found = true;
    EXPECT_FALSE(dev_read_record222(false, 7, found, back.data(), e));
    EXPECT_FALSE(found);
    EXPECT_EQ(e.code, 19);
    EXPECT_EQ(e.argument, 4);
    EXPECT_EQ(sent.size(), 3u);
}

TEST_F(DeviceCommands, ValueListsOf100Values)
{
    std::vector<int16_t> values(100);
    std::iota(values.begin(), values.end(), int16_t(-50));
    values[10] = -32767;  // a gap mark travels like any value
    dev_progress p{200, 0};
    error_record e;
    ASSERT_TRUE(dev_write_value_list(12, values, p, e)) << e.code;
    ASSERT_EQ(sent.size(), 4u);  // 26 + 26 + 26 + 22 values
    EXPECT_EQ(bytes(sent[3], 1, 9), (B{0xBB, 0x0C, 0x3B, 12, 0, 3, 0, 0, 0x80}));
    EXPECT_EQ(p.done, 200u);

    forget();
    ui_.values.clear();
    ui_.value = 0;
    dev_progress r{200, 0};
    std::vector<int16_t> back{1, 2, 3};
    bool found = false;
    ASSERT_TRUE(dev_read_value_list(false, 12, 100, r, found, back, e)) << e.code;
    EXPECT_TRUE(found);
    EXPECT_EQ(back, values);
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(bytes(sent[0], 1, 9), (B{0xBB, 0x2C, 0x3B, 12, 0, 0, 0, 0, 0x80}));
    // done x 100 / (total + 1), only forward.
    EXPECT_EQ(ui_.values, (std::vector<int>{25, 51, 77, 99}));
    EXPECT_EQ(ui_.passes_unguarded, 0);

    // No data: true, found false, the vector emptied.
    forget();
    ASSERT_TRUE(dev_read_value_list(true, 3, 100, r, found, back, e));
    EXPECT_FALSE(found);
    EXPECT_TRUE(back.empty());
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][2], 0x2D);
}

TEST_F(DeviceCommands, ValueListWaitsForAStatusReplyInFlight)
{
    // The link timer's status request is out when the transfer starts: its reply must not
    // be taken as the first piece's.
    error_record e;
    device_frame status = make_status_request();
    ASSERT_TRUE(hid_send_frame(status.data(), dp::frame_size, e));
    dev_exchange().status_in_flight = true;
    std::vector<int16_t> values(30, 7);
    dev_progress p{60, 0};
    ASSERT_TRUE(dev_write_value_list(4, values, p, e)) << e.type << "/" << e.code;
    EXPECT_FALSE(dev_exchange().status_in_flight);
    EXPECT_TRUE(dev_exchange().status_reply_waiting);
}

TEST_F(DeviceCommands, Records36WaitsLongForTheLast)
{
    auto data = pattern(2016, 5);
    data[0] = 0x2A;
    data[1] = data[2] = data[3] = 0;
    error_record e;
    ASSERT_TRUE(dev_write_records36(data.data(), "CUST-7", e)) << e.code;
    ASSERT_EQ(sent.size(), 36u);
    EXPECT_EQ(bytes(sent[35], 1, 6), (B{0xBB, 0x0A, 0x3B, 0x16, 35, 0x23}));
    EXPECT_EQ(bytes(sent[35], 7, 56), B(data.begin() + 35 * 56, data.end()));
    for (size_t i = 0; i < 35; ++i)
        EXPECT_EQ(timeouts[i], 10000);
    EXPECT_EQ(timeouts[35], 60000);
    EXPECT_TRUE(world().records36_complete);
    EXPECT_EQ(world().configuration_number, 0x2A);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), world().records36.begin()));
    // Left set for the caller.
    EXPECT_EQ(g_dev_commands().update_in_progress, 1);
    ASSERT_EQ(ui_.titles.size(), 1u);
    EXPECT_TRUE(ui_.titles[0].contains("CUST-7"));
    EXPECT_FALSE(ui_.shown);
    EXPECT_EQ(ui_.values.back(), 100);
}

TEST_F(DeviceCommands, StreamPiecesFlagsAndTimeouts)
{
    struct {
        uint32_t length;
        std::vector<uint32_t> indexes;
        std::vector<uint16_t> waits;
    } cases[] = {
        {20, {0x80000000u}, {60000}},
        {53, {0x80000000u}, {60000}},
        {54, {0x80000000u}, {60000}},
        {55, {0, 0x80000001u}, {10000, 60000}},
        {108, {0, 0x80000001u}, {10000, 60000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        auto data = pattern(c.length, 1);
        forget();
        error_record e;
        ASSERT_TRUE(dev_write_stream(data.data(), c.length, e)) << e.code;
        ASSERT_EQ(sent.size(), c.indexes.size());
        for (size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(bytes(sent[i], 1, 4), (B{0xBB, 0x0E, 0x3B, 1}));
            EXPECT_EQ(sent[i].u32(5), c.indexes[i]);
        }
        EXPECT_EQ(timeouts, c.waits);
        EXPECT_TRUE(world().stream_complete);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), world().stream.begin()));
        EXPECT_EQ(g_dev_commands().update_in_progress, 0);
    }
    // A flow that set the flag itself keeps it across the stream.
    {
        forget();
        g_dev_commands().update_in_progress = 1;
        auto data = pattern(20, 1);
        error_record e;
        ASSERT_TRUE(dev_write_stream(data.data(), 20, e)) << e.code;
        EXPECT_EQ(g_dev_commands().update_in_progress, 1);
        g_dev_commands().update_in_progress = 0;
    }
    // Nothing to send is refused before anything goes out.
    forget();
    error_record e;
    EXPECT_FALSE(dev_write_stream(nullptr, 0, e));
    EXPECT_EQ(e.code, 31);
    EXPECT_TRUE(sent.empty());
}

TEST_F(DeviceCommands, ClearingRecordsAndTheErrorBuffer)
{
    world().pm_records.resize(4);
    error_record e;
    ASSERT_TRUE(dev_clear_records(true, 0xFFFF, e)) << e.code;
    EXPECT_EQ(bytes(sent[0], 1, 5), (B{0xBB, 0x4D, 0x3B, 0xFF, 0xFF}));
    EXPECT_TRUE(world().pm_records.empty());
    ASSERT_TRUE(dev_clear_error_buffer(e));
    EXPECT_EQ(bytes(sent[1], 1, 5), (B{0xBB, 0x4A, 0x02, 0x18, 0x00}));
    EXPECT_TRUE(world().error_buffer.empty());
}

TEST_F(DeviceCommands, InfoQueries)
{
    for (size_t i = 0; i < world().process_data.size(); ++i)
        world().process_data[i] = uint8_t(i);
    error_record e;
    for (int type : {0, 1, 2})
        ASSERT_TRUE(dev_query_info_typed(type, e)) << type;
    EXPECT_EQ(bytes(sent[1], 1, 4), (B{0xBB, 0x2A, 0x01, 0x1C}));
    for (size_t i = 0; i < dp::process_block_size; ++i)
        ASSERT_EQ(g_dev_commands().process_data[i], uint8_t(i)) << i;

    int32_t self[6] = {};
    forget();
    ASSERT_TRUE(dev_query_info_28(self, true, e));
    EXPECT_EQ(bytes(sent[0], 1, 5), (B{0xBB, 0x2A, 0x02, 0x28, 0x06}));
    EXPECT_EQ(bytes(sent[1], 1, 5), (B{0xBB, 0x2A, 0x02, 0x28, 0x0D}));
    EXPECT_EQ(std::vector<int32_t>(self, self + 6), (std::vector<int32_t>{1234567, 98765, 12, 450, 1200, 100}));

    uint8_t block[59] = {};
    ASSERT_TRUE(dev_query_info(dp::info_device_text, block, e));
    EXPECT_EQ(block[0], dp::info_device_text);
    EXPECT_STREQ(reinterpret_cast<const char*>(block + 1), "Tarvix simulated controller");
    ASSERT_TRUE(dev_query_info_14(e));
    ASSERT_TRUE(dev_query_info_1b(e));
    uint32_t detail[2] = {1, 1};
    ASSERT_TRUE(dev_query_info_19(detail, e));
    EXPECT_EQ(detail[0], 0u);
}

TEST_F(DeviceCommands, ScannerBlocksOfUserSets)
{
    auto block = pattern(56, 2);
    error_record e;
    bool exists = true;
    uint8_t back[56] = {};
    ASSERT_TRUE(dev_read_scanner_block(0x81, 0, back, exists, e));
    EXPECT_FALSE(exists);
    ASSERT_TRUE(dev_write_scanner_block(0x81, 2, block.data(), e)) << e.code;
    EXPECT_EQ(bytes(sent[1], 1, 5), (B{0xBB, 0x09, 0x3A, 0x81, 2}));
    ASSERT_TRUE(dev_read_scanner_block(0x81, 2, back, exists, e));
    EXPECT_TRUE(exists);
    EXPECT_EQ(B(back, back + 56), block);
    // Standard sets are the controller's own.
    EXPECT_FALSE(dev_write_scanner_block(3, 0, block.data(), e));
    EXPECT_EQ(e.code, 15);
    ASSERT_TRUE(dev_clear_scanner_set(0x81, e));
    EXPECT_EQ(bytes(sent.back(), 1, 4), (B{0xBB, 0x49, 0x01, 0x81}));
    ASSERT_TRUE(dev_read_scanner_block(0x81, 0, back, exists, e));
    EXPECT_FALSE(exists);
}

TEST_F(DeviceCommands, ReducedControllerAnswersHighFunctionsAsFree)
{
    profile("reduced");
    device_frame f = device_frame::make(dp::req_read_function, 2);
    f.set_u16(dp::function_number_offset, 64);
    device_frame reply;
    error_record e;
    ASSERT_TRUE(dev_transact(f, reply.data(), e)) << e.code;
    EXPECT_EQ(reply.type(), 0x64);
    EXPECT_EQ(reply.u16(4), 64);
    f.set_u16(dp::function_number_offset, 511);
    ASSERT_TRUE(dev_transact(f, reply.data(), e));
    EXPECT_EQ(reply.type(), 0x64);
}
