// The transfer server's rules: replies byte for byte, repeated requests, aborts.
#include <gtest/gtest.h>

#include <vector>

#include "sim/boot_object_store.h"
#include "sim/boot_sdo_server.h"

namespace {

using bytes = std::vector<uint8_t>;

struct server_fixture : public ::testing::Test {
    boot_object_store store;
    boot_sdo_server server{store, boot_session::can()};

    std::vector<bytes> send(const bytes& request) { return server.handle(request.data(), request.size()); }
    bytes one(const bytes& request)
    {
        auto r = send(request);
        EXPECT_EQ(r.size(), 1u);
        return r.empty() ? bytes{} : r[0];
    }
    static bytes abort_of(uint16_t index, uint8_t sub, uint8_t reason)
    {
        return {0x80, uint8_t(index), uint8_t(index >> 8), sub, reason, 0, 0, 0x08};
    }
};

TEST_F(server_fixture, expedited_write_is_confirmed_with_the_objects_value)
{
    store.set_confirm(0x30FC, 0, 0x11223344);
    EXPECT_EQ(one({0x2B, 0xFC, 0x30, 0, 0x34, 0x12, 0, 0}), (bytes{0x60, 0xFC, 0x30, 0, 0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(store.get(0x30FC, 0), (bytes{0x34, 0x12}));
}

TEST_F(server_fixture, repeated_download_segment_is_confirmed_again_but_not_applied)
{
    EXPECT_EQ(one({0x20, 0xF7, 0x30, 0, 0, 0, 0, 0}), (bytes{0x60, 0xF7, 0x30, 0, 0, 0, 0, 0}));
    bytes seg0 = {0x00, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(one(seg0), (bytes{0x20, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(one(seg0), (bytes{0x20, 0, 0, 0, 0, 0, 0, 0}));
    bytes last = {0x1B, 8, 9, 0, 0, 0, 0, 0};
    EXPECT_EQ(one(last), (bytes{0x30, 0, 0, 0, 0, 0, 0, 0}));
    // Its confirmation lost, the client may repeat even the last segment.
    EXPECT_EQ(one(last), (bytes{0x30, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(store.get(0x30F7, 0), (bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(store.downloads_finished(), 1);
}

TEST_F(server_fixture, toggle_out_of_turn_aborts_with_reason_7)
{
    one({0x20, 0xF7, 0x30, 0, 0, 0, 0, 0});
    one({0x00, 1, 2, 3, 4, 5, 6, 7});
    // Same toggle, other bytes: not a repeat.
    EXPECT_EQ(one({0x00, 9, 9, 9, 9, 9, 9, 9}), abort_of(0x30F7, 0, boot_reason::toggle));
    EXPECT_FALSE(server.transfer_open());
}

TEST_F(server_fixture, requests_out_of_place)
{
    EXPECT_EQ(one({0x00, 1, 2, 3, 4, 5, 6, 7}), abort_of(0, 0, boot_reason::not_started));
    EXPECT_EQ(one({0x60, 0, 1, 2, 3, 4, 5, 6}), abort_of(0, 0, boot_reason::not_started));
    EXPECT_EQ(one({0x40, 0x99, 0x30, 0, 0, 0, 0, 0}), abort_of(0x3099, 0, boot_reason::illegal_index));
    EXPECT_EQ(one({0xA0, 0xF7, 0x30, 1, 0, 0, 0, 0}), abort_of(0x30F7, 1, boot_reason::wrong_parameters));
    EXPECT_EQ(one({0x23, 0xF7, 0x30}), abort_of(0, 0, boot_reason::wrong_parameters));
}

TEST_F(server_fixture, client_abort_closes_the_transfer_silently)
{
    one({0x20, 0xF7, 0x30, 0, 0, 0, 0, 0});
    EXPECT_TRUE(server.transfer_open());
    EXPECT_TRUE(send({0x80, 0xF7, 0x30, 0, 0, 0, 0, 0}).empty());
    EXPECT_FALSE(server.transfer_open());
}

TEST_F(server_fixture, upload_segments_by_session_and_repeat_on_same_toggle)
{
    bytes content = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    store.set(0x30F9, 0, content);
    EXPECT_EQ(one({0x40, 0xF9, 0x30, 0, 0, 0, 0, 0}), (bytes{0x41, 0xF9, 0x30, 0, 10, 0, 0, 0}));
    EXPECT_EQ(one({0x60, 0, 1, 2, 3, 4, 5, 6}), (bytes{0x00, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(one({0x60, 7, 8, 9, 10, 11, 12, 13}), (bytes{0x00, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(one({0x70, 7, 8, 9, 10, 11, 12, 13}), (bytes{0x19, 8, 9, 10, 0, 0, 0, 0}));

    server.set_session(boot_session::usb());
    one({0x40, 0xF9, 0x30, 0, 0, 0, 0, 0});
    EXPECT_EQ(one({0x60, 0, 0, 0, 0, 0, 0, 0}), (bytes{0x01, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(server_fixture, wire_log_and_faults)
{
    server.inject({boot_fault::no_reply, 1});
    server.inject({boot_fault::duplicate_reply, 2});
    EXPECT_TRUE(send({0x2F, 0xFC, 0x30, 0, 1, 0, 0, 0}).empty());
    EXPECT_EQ(store.get(0x30FC, 0), bytes{1});  // carried out, only the reply was lost
    EXPECT_EQ(send({0x2F, 0xFC, 0x30, 0, 2, 0, 0, 0}).size(), 2u);
    const auto& log = server.wire_log();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_TRUE(log[0].from_client);
    EXPECT_TRUE(log[1].from_client);
    EXPECT_FALSE(log[2].from_client);
    EXPECT_EQ(log[3].bytes, log[2].bytes);
}

}  // namespace
