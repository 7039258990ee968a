// The protocol client frame by frame: requests checked byte for byte against a scripted
// transport that answers each request in turn.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "flashlink/C_SdoMast.h"
#include "flashlink/C_StepTimer.h"
#include "flashlink/fl_results.h"
#include "flashlink/support/fake_comms.h"
#include "platform/clock.h"

namespace {

// Answers of the scripted server, and the frames the client must send.
struct exchange {
    frame_bytes request;
    std::optional<frame_bytes> answer;
};

// Supplies the pieces of a segmented download, the last one marked.
class piece_source : public C_RQ_Xld {
public:
    std::vector<frame_bytes> pieces;
    size_t next = 0;
    short CallBack(uint8_t* data, uint16_t* length, int* last, uint32_t) override
    {
        const frame_bytes& p = pieces.at(next++);
        std::copy(p.begin(), p.end(), data);
        *length = static_cast<uint16_t>(p.size());
        *last = next == pieces.size() ? 1 : 0;
        return 0;
    }
};

// Collects the pieces of an upload through the callback.
class piece_sink : public C_RQ_Xld {
public:
    frame_bytes bytes;
    std::vector<int> lasts;
    short CallBack(uint8_t* data, uint16_t* length, int* last, uint32_t) override
    {
        bytes.insert(bytes.end(), data, data + *length);
        lasts.push_back(*last);
        return 0;
    }
};

enum class kind { download, upload_buffer, upload_callback };

struct sdo_case {
    std::string name;
    T_PROTOCOL protocol;
    uint8_t fast;
    kind what;
    uint32_t size;                   // download: expedited size or source buffer; upload: capacity
    std::vector<frame_bytes> pieces; // download: expedited data, or the source's pieces
    unsigned flags;
    std::vector<exchange> script;
    uint16_t result;
    uint32_t state;
    frame_bytes received = {};       // upload: the bytes delivered
    uint32_t abort_detail = 0;
    int count = -1;                  // transferred count when not the size of `received`
};

constexpr uint8_t LO = 0xF1, HI = 0x30;  // object 0x30F1
frame_bytes zeros(size_t n) { return frame_bytes(n, 0); }
frame_bytes cat(frame_bytes a, const frame_bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
frame_bytes seq(uint8_t from, size_t n)
{
    frame_bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(from + i);
    return b;
}
frame_bytes ok_init() { return {0x60, LO, HI, 0, 0, 0, 0, 0}; }
frame_bytes seg_ok(int t) { return cat({static_cast<uint8_t>(0x20 | t << 4)}, zeros(7)); }
frame_bytes abort_frame(uint32_t code)
{
    return {0x80, LO, HI, 0, uint8_t(code), uint8_t(code >> 8), uint8_t(code >> 16), uint8_t(code >> 24)};
}

std::vector<sdo_case> cases()
{
    const frame_bytes ten = seq(0xA0, 10);
    std::vector<sdo_case> c;
    // Expedited download: command 0x23/0x27/0x2B/0x2F for 4/3/2/1 bytes, data zero-padded.
    for (uint32_t n = 1; n <= 4; ++n) {
        static const uint8_t cmd[] = {0, 0x2F, 0x2B, 0x27, 0x23};
        frame_bytes req = {cmd[n], LO, HI, 0};
        req = cat(req, cat(seq(0x11, n), zeros(4 - n)));
        c.push_back({"expedited_" + std::to_string(n), PROT_USB, 1, kind::download, n, {seq(0x11, n)}, 0,
                     {{req, ok_init()}}, 0, C_SdoMast::ST_DONE});
    }
    c.push_back({"expedited_bad_confirm_no_abort", PROT_USB, 1, kind::download, 4, {seq(1, 4)}, 0,
                 {{{0x23, LO, HI, 0, 1, 2, 3, 4}, frame_bytes{0x60, LO, HI, 0, 1, 0, 0, 0}}},
                 fl_result::bad_confirm, C_SdoMast::ST_FAILED});
    c.push_back({"expedited_wrong_object_aborts", PROT_USB, 1, kind::download, 4, {seq(1, 4)}, 0,
                 {{{0x23, LO, HI, 0, 1, 2, 3, 4}, frame_bytes{0x60, LO, HI, 1, 0, 0, 0, 0}},
                  {abort_frame(SDO_ABORT_PROTOCOL), std::nullopt}},
                 fl_result::client_abort, C_SdoMast::ST_FAILED});
    // Segmented download over CAN: 7 bytes, then 3 bytes marked last and padded.
    c.push_back({"segmented_can_10", PROT_CAN, 0, kind::download, 16, {ten}, SDO_FLAG_CALLBACK,
                 {{{0x20, LO, HI, 0, 16, 0, 0, 0}, ok_init()},
                  {cat({0x00}, seq(0xA0, 7)), seg_ok(0)},
                  {cat({0x19}, cat(seq(0xA7, 3), zeros(4))), seg_ok(1)}},
                 0, C_SdoMast::ST_DONE});
    c.push_back({"segmented_size_announced", PROT_CAN, 0, kind::download, 16, {seq(0xA0, 2)},
                 SDO_FLAG_CALLBACK | SDO_FLAG_SIZE,
                 {{{0x21, LO, HI, 0, 16, 0, 0, 0}, ok_init()},
                  {cat({0x0B}, cat(seq(0xA0, 2), zeros(5))), seg_ok(0)}},
                 0, C_SdoMast::ST_DONE});
    // Fast framing on USB: one segment as long as its data.
    c.push_back({"segmented_usb_fast_10", PROT_USB, 1, kind::download, 16, {ten}, SDO_FLAG_CALLBACK,
                 {{{0x20, LO, HI, 0, 16, 0, 0, 0}, ok_init()}, {cat({0x01}, ten), seg_ok(0)}},
                 0, C_SdoMast::ST_DONE});
    // A piece of exactly one segment is not last; the source is asked again and its empty
    // final piece goes out as an empty last segment.
    c.push_back({"segmented_empty_last_can", PROT_CAN, 0, kind::download, 16, {seq(1, 7), {}},
                 SDO_FLAG_CALLBACK,
                 {{{0x20, LO, HI, 0, 16, 0, 0, 0}, ok_init()},
                  {cat({0x00}, seq(1, 7)), seg_ok(0)},
                  {cat({0x1F}, zeros(7)), seg_ok(1)}},
                 0, C_SdoMast::ST_DONE});
    c.push_back({"segmented_empty_last_usb", PROT_USB, 1, kind::download, 64, {seq(1, 62), {}},
                 SDO_FLAG_CALLBACK,
                 {{{0x20, LO, HI, 0, 64, 0, 0, 0}, ok_init()},
                  {cat({0x00}, seq(1, 62)), seg_ok(0)},
                  {{0x11}, seg_ok(1)}},
                 0, C_SdoMast::ST_DONE});
    // Data of exactly two segments in one final piece: the second segment is the last one,
    // and the source is not asked again.
    c.push_back({"segmented_exact_multiple_can", PROT_CAN, 0, kind::download, 16, {seq(0xA0, 14)},
                 SDO_FLAG_CALLBACK,
                 {{{0x20, LO, HI, 0, 16, 0, 0, 0}, ok_init()},
                  {cat({0x00}, seq(0xA0, 7)), seg_ok(0)},
                  {cat({0x11}, seq(0xA7, 7)), seg_ok(1)}},
                 0, C_SdoMast::ST_DONE});
    c.push_back({"segmented_exact_multiple_usb", PROT_USB, 1, kind::download, 124, {seq(0, 124)},
                 SDO_FLAG_CALLBACK,
                 {{{0x20, LO, HI, 0, 124, 0, 0, 0}, ok_init()},
                  {cat({0x00}, seq(0, 62)), seg_ok(0)},
                  {cat({0x11}, seq(62, 62)), seg_ok(1)}},
                 0, C_SdoMast::ST_DONE});
    // An empty object: the size 0 is announced and one empty last segment follows.
    c.push_back({"segmented_size_zero", PROT_CAN, 0, kind::download, 0, {{}}, SDO_FLAG_CALLBACK | SDO_FLAG_SIZE,
                 {{{0x21, LO, HI, 0, 0, 0, 0, 0}, ok_init()}, {cat({0x0F}, zeros(7)), seg_ok(0)}},
                 0, C_SdoMast::ST_DONE});
    // A piece larger than the source's buffer is refused, not cut short.
    c.push_back({"segmented_piece_beyond_buffer_aborts", PROT_CAN, 0, kind::download, 8, {ten}, SDO_FLAG_CALLBACK,
                 {{{0x20, LO, HI, 0, 8, 0, 0, 0}, ok_init()},
                  {abort_frame(SDO_ABORT_SIZE_HIGH), std::nullopt}},
                 fl_result::client_abort, C_SdoMast::ST_FAILED});
    c.push_back({"segmented_confirm_value_aborts", PROT_CAN, 0, kind::download, 16, {ten}, SDO_FLAG_CALLBACK,
                 {{{0x20, LO, HI, 0, 16, 0, 0, 0}, frame_bytes{0x60, LO, HI, 0, 1, 0, 0, 0}},
                  {abort_frame(SDO_ABORT_PROTOCOL), std::nullopt}},
                 fl_result::client_abort, C_SdoMast::ST_FAILED});
    // Segmented upload: requests alternate 0x60/0x70 with running filler bytes.
    c.push_back({"upload_can_10", PROT_CAN, 0, kind::upload_buffer, 32, {}, 0,
                 {{{0x40, LO, HI, 0, 0, 0, 0, 0}, frame_bytes{0x41, LO, HI, 0, 10, 0, 0, 0}},
                  {cat({0x60}, seq(0, 7)), cat({0x00}, seq(0xA0, 7))},
                  {cat({0x70}, seq(7, 7)), cat({0x19}, cat(seq(0xA7, 3), zeros(4)))}},
                 0, C_SdoMast::ST_DONE, ten});
    c.push_back({"upload_usb_callback_unsized", PROT_USB, 1, kind::upload_callback, 64, {}, SDO_FLAG_CALLBACK,
                 {{{0x40, LO, HI, 0, 0, 0, 0, 0}, frame_bytes{0x40, LO, HI, 0, 0, 0, 0, 0}},
                  {cat({0x60}, seq(0, 7)), cat({0x00}, seq(0xA0, 5))},
                  {cat({0x70}, seq(7, 7)), cat({0x11}, seq(0xA5, 5))}},
                 0, C_SdoMast::ST_DONE, ten});
    // An expedited answer is handed to the sink whole, so it must fit the sink's buffer.
    c.push_back({"upload_callback_expedited_beyond_buffer", PROT_USB, 1, kind::upload_callback, 2, {},
                 SDO_FLAG_CALLBACK,
                 {{{0x40, LO, HI, 0, 0, 0, 0, 0}, frame_bytes{0x43, LO, HI, 0, 1, 2, 3, 4}},
                  {abort_frame(SDO_ABORT_SIZE_HIGH), std::nullopt}},
                 fl_result::client_abort, C_SdoMast::ST_FAILED});
    c.push_back({"upload_callback_expedited_3", PROT_USB, 1, kind::upload_callback, 3, {}, SDO_FLAG_CALLBACK,
                 {{{0x40, LO, HI, 0, 0, 0, 0, 0}, frame_bytes{0x47, LO, HI, 0, 1, 2, 3, 4}}},
                 0, C_SdoMast::ST_DONE, {1, 2, 3}});
    c.push_back({"upload_expedited_1", PROT_USB, 1, kind::upload_buffer, 4, {}, 0,
                 {{{0x40, LO, HI, 0, 0, 0, 0, 0}, frame_bytes{0x4F, LO, HI, 0, 0x5A, 0x77, 0x77, 0x77}}},
                 0, C_SdoMast::ST_DONE, {0x5A, 0, 0, 0}, 0, 1});
    c.push_back({"upload_toggle_error", PROT_CAN, 0, kind::upload_buffer, 32, {}, 0,
                 {{{0x40, LO, HI, 0, 0, 0, 0, 0}, frame_bytes{0x41, LO, HI, 0, 10, 0, 0, 0}},
                  {cat({0x60}, seq(0, 7)), cat({0x00}, seq(0xA0, 7))},
                  {cat({0x70}, seq(7, 7)), cat({0x09}, cat(seq(0xA7, 3), zeros(4)))},
                  {abort_frame(SDO_ABORT_TOGGLE), std::nullopt}},
                 fl_result::client_abort, C_SdoMast::ST_FAILED});
    c.push_back({"upload_larger_than_buffer", PROT_CAN, 0, kind::upload_buffer, 8, {}, 0,
                 {{{0x40, LO, HI, 0, 0, 0, 0, 0}, frame_bytes{0x41, LO, HI, 0, 10, 0, 0, 0}},
                  {abort_frame(SDO_ABORT_SIZE_HIGH), std::nullopt}},
                 fl_result::client_abort, C_SdoMast::ST_FAILED});
    c.push_back({"upload_unsized_overflows_buffer", PROT_CAN, 0, kind::upload_buffer, 5, {}, 0,
                 {{{0x40, LO, HI, 0, 0, 0, 0, 0}, frame_bytes{0x40, LO, HI, 0, 0, 0, 0, 0}},
                  {cat({0x60}, seq(0, 7)), cat({0x00}, seq(0xA0, 7))},
                  {abort_frame(SDO_ABORT_SIZE_HIGH), std::nullopt}},
                 fl_result::client_abort, C_SdoMast::ST_FAILED});
    c.push_back({"upload_short_of_announced", PROT_CAN, 0, kind::upload_buffer, 32, {}, 0,
                 {{{0x40, LO, HI, 0, 0, 0, 0, 0}, frame_bytes{0x41, LO, HI, 0, 10, 0, 0, 0}},
                  {cat({0x60}, seq(0, 7)), cat({0x01}, seq(0xA0, 7))},
                  {abort_frame(SDO_ABORT_SIZE_LOW), std::nullopt}},
                 fl_result::client_abort, C_SdoMast::ST_FAILED});
    // Server aborts: only the low byte of the code reaches the result.
    for (uint32_t code : {0x08000001u, 0x08000007u, 0x08000010u, 0x05030000u, 0x06070010u}) {
        char name[32];
        std::snprintf(name, sizeof name, "server_abort_%08X", code);
        c.push_back({name, PROT_USB, 1, kind::download, 16, {ten}, SDO_FLAG_CALLBACK,
                     {{{0x20, LO, HI, 0, 16, 0, 0, 0}, abort_frame(code)}},
                     static_cast<uint16_t>(0x2020 + (code & 0xFF)), C_SdoMast::ST_FAILED, {}, code});
    }
    return c;
}

class sdo_table : public ::testing::TestWithParam<sdo_case> {
protected:
    void SetUp() override { C_SdoMast::ResetGlobals(); }
};

TEST_P(sdo_table, frames_and_outcome)
{
    const sdo_case& c = GetParam();
    auto* comm = new scripted_comm;
    for (const auto& e : c.script)
        comm->answers.push_back(e.answer);
    C_SdoMast client(c.protocol, c.fast, comm);
    piece_source source;
    piece_sink sink;
    // Room for what a source writes even where it claims more than the buffer the client is given.
    frame_bytes buffer(std::max<uint32_t>(c.size, 16), 0xEE);
    uint16_t start;
    if (c.what == kind::download) {
        source.pieces = c.pieces;
        if (!(c.flags & SDO_FLAG_CALLBACK))
            std::copy(c.pieces[0].begin(), c.pieces[0].end(), buffer.begin());
        start = client.Download(&source, nullptr, 3, 0x30F1, 0, c.size, buffer.data(), c.flags);
    } else {
        start = client.Upload(&sink, nullptr, 3, 0x30F1, 0, c.size, buffer.data(), c.flags);
    }
    ASSERT_EQ(start, 0);

    uint16_t result = 0;
    uint32_t count = 0;
    for (int i = 0; i < 100; ++i) {
        uint16_t r = 0;
        bool busy = client.Busy(&r, &count);
        if (r)
            result = r;
        if (!busy)
            break;
    }
    std::vector<frame_bytes> expected;
    for (const auto& e : c.script)
        expected.push_back(e.request);
    EXPECT_EQ(comm->sent, expected);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(client.State(), c.state);
    EXPECT_EQ(client.AbortDetail(), c.abort_detail);
    if (c.what == kind::download && (c.flags & SDO_FLAG_CALLBACK) && c.result == 0) {
        EXPECT_EQ(source.next, c.pieces.size());
    }
    if (c.what == kind::upload_buffer && c.result == 0) {
        EXPECT_EQ(frame_bytes(buffer.begin(), buffer.begin() + c.received.size()), c.received);
        EXPECT_EQ(count, c.count >= 0 ? uint32_t(c.count) : c.received.size());
    }
    if (c.what == kind::upload_callback && c.result == 0) {
        EXPECT_EQ(sink.bytes, c.received);
        EXPECT_EQ(sink.lasts.back(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(edges, sdo_table, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

class sdo_client : public ::testing::Test {
protected:
    void SetUp() override { C_SdoMast::ResetGlobals(); }
    uint8_t value[4] = {1, 2, 3, 4};
};

TEST_F(sdo_client, restart_confirmation_sets_the_application_start_flag)
{
    auto* comm = new scripted_comm;
    comm->answers.push_back(frame_bytes{0x60, 0xFC, 0x30, 0, 0x44, 0x33, 0x22, 0x11});
    C_SdoMast client(PROT_USB, 1, comm);
    ASSERT_EQ(client.Download(nullptr, nullptr, 0, 0x30FC, 0, 4, value, 0), 0);
    EXPECT_EQ(run_transfer(client, 12000), 0);
    EXPECT_EQ(client.ApplStartFlg.load(), 1u);
}

TEST_F(sdo_client, silent_server_runs_out_the_step_timer)
{
    platform::manual_clock clock;
    platform::scoped_clock use(clock);
    auto* comm = new scripted_comm;
    C_SdoMast client(PROT_USB, 1, comm);
    ASSERT_EQ(client.Download(nullptr, nullptr, 0, 0x30FC, 0, 4, value, 0), 0);
    uint32_t before = clock.now_ms();
    EXPECT_EQ(run_transfer(client, 12000), fl_result::step_timeout);
    EXPECT_GE(clock.now_ms() - before, 12000u);
    EXPECT_EQ(client.State(), C_SdoMast::ST_IDLE);
    EXPECT_EQ(comm->sent.size(), 1u);
}

TEST_F(sdo_client, second_transfer_while_one_waits_is_refused_and_leaves_it_alone)
{
    auto* comm = new scripted_comm;
    comm->answers.push_back(std::nullopt);
    comm->answers.push_back(frame_bytes{0x60, 0xFC, 0x30, 0, 0, 0, 0, 0});
    C_SdoMast client(PROT_USB, 1, comm);
    ASSERT_EQ(client.Download(nullptr, nullptr, 0, 0x30FC, 0, 4, value, 0), 0);
    uint16_t r;
    uint32_t n;
    EXPECT_TRUE(client.Busy(&r, &n));
    EXPECT_EQ(client.Download(nullptr, nullptr, 0, 0x30F0, 0, 4, value, 0), fl_result::busy);
    EXPECT_EQ(client.Upload(nullptr, nullptr, 0, 0x30F0, 0, 4, value, 0), fl_result::busy);
    EXPECT_EQ(client.State(), C_SdoMast::ST_WAIT_EXPEDITED);
    EXPECT_EQ(comm->sent.size(), 1u);
}

TEST_F(sdo_client, refuses_transfers_without_data_or_callback)
{
    C_SdoMast client(PROT_USB, 1, new scripted_comm);
    EXPECT_EQ(client.Download(nullptr, nullptr, 0, 0x30FC, 0, 4, nullptr, 0), fl_result::no_buffer);
    // An expedited request holds 1 to 4 bytes.
    EXPECT_EQ(client.Download(nullptr, nullptr, 0, 0x30FC, 0, 5, value, 0), fl_result::no_buffer);
    EXPECT_EQ(client.Download(nullptr, nullptr, 0, 0x30FC, 0, 0, value, 0), fl_result::no_buffer);
    C_RQ_Xld source;
    EXPECT_EQ(client.Download(&source, nullptr, 0, 0x30F1, 0, 4, nullptr, SDO_FLAG_CALLBACK), fl_result::no_buffer);
    EXPECT_EQ(client.Upload(nullptr, nullptr, 0, 0x30F9, 0, 4, nullptr, 0), fl_result::no_buffer);
    EXPECT_EQ(client.Upload(nullptr, nullptr, 0, 0x30F9, 0, 4, value, SDO_FLAG_CALLBACK), fl_result::no_buffer);
    EXPECT_EQ(client.State(), C_SdoMast::ST_IDLE);
}

namespace empty_object {
int calls = 0;
uint16_t length_offered = 0xFFFF;
short source(uint8_t*, uint16_t* length, int* last, uint32_t)
{
    ++calls;
    length_offered = *length;
    *length = 0;
    *last = 1;
    return 0;
}
}  // namespace empty_object

// A source function (not a requester) serves an empty object as an independent peer
// expects it: initiate with size 0, then one empty last segment.
TEST_F(sdo_client, size_zero_download_through_a_source_function)
{
    auto* comm = new scripted_comm;
    comm->answers.push_back(frame_bytes{0x60, 0xF1, 0x30, 0, 0, 0, 0, 0});
    comm->answers.push_back(frame_bytes{0x20, 0, 0, 0, 0, 0, 0, 0});
    C_SdoMast client(PROT_CAN, 0, comm);
    uint8_t buffer[8] = {};
    ASSERT_EQ(client.Download(nullptr, empty_object::source, 3, 0x30F1, 0, 0, buffer, SDO_FLAG_CALLBACK | SDO_FLAG_SIZE),
              0);
    EXPECT_EQ(run_transfer(client, 12000), 0);
    EXPECT_EQ(client.State(), C_SdoMast::ST_DONE);
    EXPECT_EQ(empty_object::calls, 1);
    EXPECT_EQ(empty_object::length_offered, 0);
    const std::vector<frame_bytes> expected = {{0x21, 0xF1, 0x30, 0, 0, 0, 0, 0}, {0x0F, 0, 0, 0, 0, 0, 0, 0}};
    EXPECT_EQ(comm->sent, expected);
}

TEST_F(sdo_client, unsupported_protocol_refuses_every_transfer)
{
    C_SdoMast made(static_cast<T_PROTOCOL>(9), 0);
    EXPECT_EQ(made.ConstructResult, fl_result::bad_protocol);
    EXPECT_EQ(made.Download(nullptr, nullptr, 0, 0x30FC, 0, 4, value, 0), fl_result::bad_protocol);
    C_SdoMast given(static_cast<T_PROTOCOL>(0), 0, new scripted_comm);
    EXPECT_EQ(given.Upload(nullptr, nullptr, 0, 0x30F9, 0, 4, value, 0), fl_result::bad_protocol);
}

TEST_F(sdo_client, identifiers_and_segment_sizes_follow_the_protocol)
{
    struct row {
        T_PROTOCOL p;
        uint8_t fast;
        uint16_t node, req, rsp, seg;
    } rows[] = {
        {PROT_CAN, 0, 5, 0x605, 0x585, 7},  {PROT_QUELCAN, 0, 5, 0x12F, 0x32A, 7},
        {PROT_CAN, 0, 3, 0x603, 0x583, 7},  {PROT_V24, 0, 1, 0x601, 0x581, 7},
        {PROT_V24, 1, 1, 0x601, 0x581, 1024}, {PROT_ETH, 1, 1, 0x601, 0x581, 1024},
        {PROT_USB, 1, 1, 0x601, 0x581, 62},
    };
    for (const row& r : rows) {
        auto* comm = new scripted_comm;
        comm->answers.push_back(frame_bytes{0x60, 0xFC, 0x30, 0, 0, 0, 0, 0});
        C_SdoMast client(r.p, r.fast, comm);
        ASSERT_EQ(client.Download(nullptr, nullptr, r.node, 0x30FC, 0, 4, value, 0), 0);
        EXPECT_EQ(run_transfer(client, 12000), 0);
        EXPECT_EQ(client.RequestId(), r.req) << r.p;
        EXPECT_EQ(client.ResponseId(), r.rsp) << r.p;
        EXPECT_EQ(client.SegmentSize(), r.seg) << r.p;
        // Only CAN opens message objects, once per transfer, and closes them at its end.
        bool can = r.p == PROT_CAN || r.p == PROT_QUELCAN;
        EXPECT_EQ(comm->opens, can ? 1 : 0);
        EXPECT_EQ(comm->closes, can ? 1 : 0);
        if (can) {
            EXPECT_EQ(comm->last_request_id, r.req);
            EXPECT_EQ(comm->last_response_id, r.rsp);
        }
    }
}

TEST_F(sdo_client, channel_that_cannot_open_ends_in_its_own_state)
{
    auto* comm = new scripted_comm;
    comm->open_error = fl_result::can_open;
    C_SdoMast client(PROT_CAN, 0, comm);
    ASSERT_EQ(client.Download(nullptr, nullptr, 1, 0x30FC, 0, 4, value, 0), 0);
    EXPECT_EQ(run_transfer(client, 12000), fl_result::can_open);
    EXPECT_TRUE(comm->sent.empty());
}

TEST_F(sdo_client, transport_failures)
{
    {  // a receive error aborts with 0x05000000 in the same step and keeps the error
        auto* comm = new scripted_comm;
        comm->answers.push_back(std::nullopt);
        C_SdoMast client(PROT_USB, 1, comm);
        ASSERT_EQ(client.Download(nullptr, nullptr, 0, 0x30FC, 0, 4, value, 0), 0);
        uint16_t r;
        uint32_t n;
        client.Busy(&r, &n);
        comm->receive_error = fl_result::usb_device_lost;
        EXPECT_FALSE(client.Busy(&r, &n));
        EXPECT_EQ(r, fl_result::client_abort);
        EXPECT_EQ(client.AbortDetail(), fl_result::usb_device_lost);
        ASSERT_EQ(comm->sent.size(), 2u);
        EXPECT_EQ(comm->sent[1], (frame_bytes{0x80, 0xFC, 0x30, 0, 0, 0, 0, 5}));
    }
    {  // a send that fails passes the transport's code through
        auto* comm = new scripted_comm;
        comm->send_error = fl_result::usb_write_timeout;
        comm->send_error_at = 1;
        C_SdoMast client(PROT_USB, 1, comm);
        ASSERT_EQ(client.Download(nullptr, nullptr, 0, 0x30FC, 0, 4, value, 0), 0);
        EXPECT_EQ(run_transfer(client, 12000), fl_result::usb_write_timeout);
    }
}

TEST_F(sdo_client, abort_sends_code_zero_and_resend_flag_repeats_once)
{
    auto* comm = new scripted_comm;
    C_SdoMast client(PROT_ETH, 1, comm);
    ASSERT_EQ(client.Download(nullptr, nullptr, 0, 0x30FC, 0, 4, value, 0), 0);
    uint16_t r;
    uint32_t n;
    client.Busy(&r, &n);
    C_SdoMast::Globals().resend = 1;
    client.Busy(&r, &n);
    client.Busy(&r, &n);
    EXPECT_EQ(comm->resends, 1);
    EXPECT_EQ(client.Abort(), 0);
    EXPECT_EQ(client.State(), C_SdoMast::ST_IDLE);
    ASSERT_EQ(comm->sent.size(), 2u);
    EXPECT_EQ(comm->sent[1], (frame_bytes{0x80, 0xFC, 0x30, 0, 0, 0, 0, 0}));
}

TEST_F(sdo_client, filler_bytes_run_on_across_transfers)
{
    auto* comm = new scripted_comm;
    C_SdoMast client(PROT_CAN, 0, comm);
    uint8_t buffer[16];
    for (int t = 0; t < 2; ++t) {
        comm->answers.push_back(frame_bytes{0x41, 0xF9, 0x30, 0, 3, 0, 0, 0});
        comm->answers.push_back(frame_bytes{0x09, 1, 2, 3, 0, 0, 0, 0});
        ASSERT_EQ(client.Upload(nullptr, nullptr, 0, 0x30F9, 0, sizeof buffer, buffer, 0), 0);
        EXPECT_EQ(run_transfer(client, 12000), 0);
    }
    ASSERT_EQ(comm->sent.size(), 4u);
    EXPECT_EQ(comm->sent[1], cat({0x60}, seq(0, 7)));
    EXPECT_EQ(comm->sent[3], cat({0x60}, seq(7, 7)));
}

TEST_F(sdo_client, short_or_foreign_replies_are_waited_through)
{
    auto* comm = new scripted_comm;
    comm->answers.push_back(frame_bytes{0xE0, 1, 2, 3});  // kind 7: not ours
    C_SdoMast client(PROT_USB, 1, comm);
    ASSERT_EQ(client.Download(nullptr, nullptr, 0, 0x30FC, 0, 4, value, 0), 0);
    uint16_t r;
    uint32_t n;
    EXPECT_TRUE(client.Busy(&r, &n));
    EXPECT_TRUE(client.Busy(&r, &n));
    EXPECT_EQ(client.State(), C_SdoMast::ST_WAIT_EXPEDITED);
}

}  // namespace

namespace {

TEST(step_timer, runs_out_across_the_tick_wrap_and_never_with_zero)
{
    platform::manual_clock clock(0xFFFFFF00u);
    platform::scoped_clock use(clock);
    C_StepTimer timer;
    timer.Restart(0x200);
    clock.advance(0x1FF);
    EXPECT_FALSE(timer.Expired());
    EXPECT_EQ(timer.Remaining(), 1u);
    clock.advance(1);
    EXPECT_TRUE(timer.Expired());
    timer.Restart(0);
    clock.advance(0x7FFFFFFF);
    EXPECT_FALSE(timer.Expired());
}

}  // namespace
