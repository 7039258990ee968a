// The protocol client against the simulated boot loader's server over an in-memory
// loopback: whole transfers of many sizes in both directions, and the server's faults.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "flashlink/C_SdoMast.h"
#include "flashlink/fl_results.h"
#include "flashlink/support/fake_comms.h"
#include "platform/clock.h"
#include "sim/boot_object_store.h"
#include "sim/boot_sdo_server.h"

namespace {

constexpr uint16_t DOMAIN = 0x30F7;

frame_bytes pattern(size_t n, unsigned seed)
{
    std::mt19937 g(seed);
    frame_bytes b(n);
    for (auto& x : b)
        x = static_cast<uint8_t>(g());
    return b;
}

// Feeds a byte string to the client in pieces of at most `piece` bytes.
class buffer_source : public C_RQ_Xld {
public:
    buffer_source(const frame_bytes& bytes, size_t piece) : bytes_(bytes), piece_(piece) {}
    short CallBack(uint8_t* data, uint16_t* length, int* last, uint32_t) override
    {
        size_t n = std::min(piece_, bytes_.size() - pos_);
        std::copy(bytes_.begin() + pos_, bytes_.begin() + pos_ + n, data);
        pos_ += n;
        *length = static_cast<uint16_t>(n);
        *last = pos_ == bytes_.size() ? 1 : 0;
        ++calls;
        return 0;
    }
    int calls = 0;

private:
    const frame_bytes& bytes_;
    size_t piece_;
    size_t pos_ = 0;
};

class collect_sink : public C_RQ_Xld {
public:
    short CallBack(uint8_t* data, uint16_t* length, int* last, uint32_t) override
    {
        bytes.insert(bytes.end(), data, data + *length);
        if (*last)
            ++finals;
        return 0;
    }
    frame_bytes bytes;
    int finals = 0;
};

struct link {
    T_PROTOCOL protocol;
    uint8_t fast;
    boot_session session;
};

// The three segment sizes: 7 (CAN, plain serial), 62 (USB), 1024 (Ethernet, fast serial).
const link links[] = {
    {PROT_CAN, 0, boot_session::can()},
    {PROT_USB, 1, boot_session::usb()},
    {PROT_ETH, 1, boot_session::ethernet()},
};
const size_t sizes[] = {0, 1, 4, 5, 7, 8, 62, 63, 1024, 1025, 5000};
constexpr uint32_t TRANSFER_BUFFER = 2304;

struct loop : public ::testing::Test {
    void SetUp() override { C_SdoMast::ResetGlobals(); }
};

TEST_F(loop, segmented_download_arrives_byte_for_byte)
{
    for (const link& l : links) {
        for (size_t size : sizes) {
            boot_object_store store;
            boot_sdo_server server(store, l.session);
            auto* comm = new loopback_comm(server);
            C_SdoMast client(l.protocol, l.fast, comm);
            frame_bytes image = pattern(size, static_cast<unsigned>(size));
            buffer_source source(image, TRANSFER_BUFFER);
            frame_bytes buffer(TRANSFER_BUFFER);
            ASSERT_EQ(client.Download(&source, nullptr, 1, DOMAIN, 0, TRANSFER_BUFFER, buffer.data(),
                                      SDO_FLAG_CALLBACK), 0);
            uint32_t count = 0;
            ASSERT_EQ(run_transfer(client, 12000, &count), 0) << l.session.segment_size << " " << size;
            EXPECT_EQ(store.get(DOMAIN, 0), image) << l.session.segment_size << " " << size;
            EXPECT_EQ(count, size);
            EXPECT_EQ(store.downloads_finished(), 1);
        }
    }
}

TEST_F(loop, upload_returns_byte_for_byte_into_buffer_and_callback)
{
    for (const link& l : links) {
        for (size_t size : sizes) {
            for (auto answer : {boot_upload_answer::sized, boot_upload_answer::unsized,
                                boot_upload_answer::expedited_small}) {
                boot_object_store store;
                frame_bytes image = pattern(size, static_cast<unsigned>(size) + 7);
                store.set(0x30F9, 0, image);
                boot_sdo_server server(store, l.session);
                server.set_upload_answer(answer);
                C_SdoMast client(l.protocol, l.fast, new loopback_comm(server));

                frame_bytes buffer(8192, 0xEE);
                ASSERT_EQ(client.Upload(nullptr, nullptr, 1, 0x30F9, 0, 8192, buffer.data(), 0), 0);
                uint32_t count = 0;
                ASSERT_EQ(run_transfer(client, 12000, &count), 0) << l.session.segment_size << " " << size;
                EXPECT_EQ(count, size);
                EXPECT_EQ(frame_bytes(buffer.begin(), buffer.begin() + size), image);

                collect_sink sink;
                frame_bytes segment(TRANSFER_BUFFER);
                ASSERT_EQ(client.Upload(&sink, nullptr, 1, 0x30F9, 0, TRANSFER_BUFFER, segment.data(),
                                        SDO_FLAG_CALLBACK), 0);
                ASSERT_EQ(run_transfer(client, 12000, &count), 0);
                EXPECT_EQ(sink.bytes, image) << l.session.segment_size << " " << size;
                EXPECT_EQ(sink.finals, 1);
            }
        }
    }
}

TEST_F(loop, server_abort_reason_reaches_the_caller)
{
    for (uint8_t reason : {boot_reason::not_started, boot_reason::toggle, boot_reason::boot_sector,
                           boot_reason::not_erased, uint8_t{20}}) {
        boot_object_store store;
        boot_sdo_server server(store, boot_session::usb());
        server.inject({boot_fault::abort, 3, reason});
        C_SdoMast client(PROT_USB, 1, new loopback_comm(server));
        frame_bytes image = pattern(500, 1), buffer(TRANSFER_BUFFER);
        buffer_source source(image, TRANSFER_BUFFER);
        ASSERT_EQ(client.Download(&source, nullptr, 1, DOMAIN, 0, TRANSFER_BUFFER, buffer.data(), SDO_FLAG_CALLBACK), 0);
        EXPECT_EQ(run_transfer(client, 12000), 0x2020 + reason);
        EXPECT_FALSE(server.transfer_open());
        // The server answered the third request with its abort and heard nothing more.
        EXPECT_EQ(server.requests(), 3u);
    }
}

TEST_F(loop, lost_reply_runs_out_the_step_timer)
{
    platform::manual_clock clock;
    platform::scoped_clock use(clock);
    boot_object_store store;
    boot_sdo_server server(store, boot_session::can());
    server.inject({boot_fault::no_reply, 2});
    C_SdoMast client(PROT_CAN, 0, new loopback_comm(server));
    frame_bytes image = pattern(30, 2), buffer(TRANSFER_BUFFER);
    buffer_source source(image, TRANSFER_BUFFER);
    ASSERT_EQ(client.Download(&source, nullptr, 1, DOMAIN, 0, TRANSFER_BUFFER, buffer.data(), SDO_FLAG_CALLBACK), 0);
    EXPECT_EQ(run_transfer(client, 12000), fl_result::step_timeout);
}

TEST_F(loop, toggle_error_in_upload_reply_aborts_on_the_wire)
{
    boot_object_store store;
    store.set(0x30F9, 0, pattern(40, 3));
    boot_sdo_server server(store, boot_session::can());
    server.inject({boot_fault::toggle_error, 3});
    C_SdoMast client(PROT_CAN, 0, new loopback_comm(server));
    frame_bytes buffer(64);
    ASSERT_EQ(client.Upload(nullptr, nullptr, 1, 0x30F9, 0, 64, buffer.data(), 0), 0);
    EXPECT_EQ(run_transfer(client, 12000), fl_result::client_abort);
    const auto& log = server.wire_log();
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(log.back().from_client);
    EXPECT_EQ(log.back().bytes, (frame_bytes{0x80, 0xF9, 0x30, 0, 0x00, 0x00, 0x03, 0x05}));
    EXPECT_FALSE(server.transfer_open());
}

TEST_F(loop, duplicate_upload_segment_is_caught_by_the_toggle)
{
    boot_object_store store;
    store.set(0x30F9, 0, pattern(40, 4));
    boot_sdo_server server(store, boot_session::can());
    server.inject({boot_fault::duplicate_reply, 2});
    C_SdoMast client(PROT_CAN, 0, new loopback_comm(server));
    frame_bytes buffer(64);
    ASSERT_EQ(client.Upload(nullptr, nullptr, 1, 0x30F9, 0, 64, buffer.data(), 0), 0);
    EXPECT_EQ(run_transfer(client, 12000), fl_result::client_abort);
    EXPECT_EQ(server.wire_log().back().bytes[7], 0x05);  // 0x05030000 toggle abort
}

}  // namespace
