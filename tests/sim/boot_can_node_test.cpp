// The boot loader's node on the CAN bus: which frames it takes, how it answers, and the text that
// places it on a bus.
#include <gtest/gtest.h>

#include <memory>

#include "sim/boot_can_node.h"
#include "sim/boot_object_store.h"
#include "sim/can_bus_hub.h"
#include "support/test_support.h"

using sim::boot_can_node;
using sim::can_frame;

TEST(BootCanNode, TakesOnlyItsRequestsAndAnswersWithEightBytes)
{
    testing_support::temp_dir dir;
    sim::can_bus_hub hub(dir.file("bus.sock"));
    hub.start();
    boot_object_store store;
    store.set(0x30F5, 0, {0x11, 0x22, 0x33, 0x44});
    boot_sdo_server server(store, boot_session::can());
    boot_can_node node(std::make_shared<sim::can_bus_node>(hub.path(), 125000), server, 5,
                       boot_can_node::scheme::quelcan);
    sim::can_bus_node peer(hub.path(), 125000);
    EXPECT_EQ(boot_can_node::request_id(5, boot_can_node::scheme::quelcan), 0x12F);
    EXPECT_EQ(boot_can_node::response_id(5, boot_can_node::scheme::quelcan), 0x32A);
    EXPECT_EQ(boot_can_node::request_id(3, boot_can_node::scheme::standard), 0x603);
    EXPECT_EQ(boot_can_node::response_id(3, boot_can_node::scheme::standard), 0x583);

    can_frame upload;  // initiate upload of 0x30F5/0
    upload.id = 0x12F;
    upload.dlc = 8;
    upload.data = {0x40, 0xF5, 0x30, 0x00, 0, 0, 0, 0};
    struct row {
        const char* name;
        uint32_t id;
        uint8_t flags;
        uint8_t dlc;
        bool taken;
    } rows[] = {
        {"another identifier", 0x603, 0, 8, false},
        {"a remote frame", 0x12F, can_frame::flag_rtr, 8, false},
        {"an extended frame", 0x12F, can_frame::flag_ext, 8, false},
        {"its request, length field 15", 0x12F, 0, 15, true},
        {"its request", 0x12F, 0, 8, true},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        can_frame f = upload;
        f.id = r.id;
        f.flags = r.flags;
        f.dlc = r.dlc;
        EXPECT_EQ(node.handle(f), r.taken);
        can_frame reply;
        if (!r.taken) {
            EXPECT_FALSE(peer.receive(reply, 50));
            continue;
        }
        ASSERT_TRUE(peer.receive(reply, 5000));
        EXPECT_EQ(reply.id, 0x32Au);
        EXPECT_EQ(reply.dlc, 8);
        EXPECT_EQ(reply.data[0], 0x41);  // segmented, size announced: four bytes
        EXPECT_EQ(reply.data[1], 0xF5);
        EXPECT_EQ(reply.data[4], 4);
        server.reset();
    }
    EXPECT_EQ(node.requests_handled(), 2u);
}

TEST(BootCanNode, PlacementText)
{
    struct row {
        const char* text;
        bool ok;
        uint8_t node;
        bool quelcan;
        uint32_t bitrate;
        bool hub;
    } rows[] = {
        {"/tmp/bus", true, 1, false, 125000, false},
        {"/tmp/bus,node=5,quelcan,rate=500000,hub", true, 5, true, 500000, true},
        {"/tmp/bus,node=0x7F", true, 127, false, 125000, false},
        {"/tmp/bus,node=128", false, 0, false, 0, false},
        {"/tmp/bus,node=", false, 0, false, 0, false},
        {"/tmp/bus,rate=999", false, 0, false, 0, false},
        {"/tmp/bus,speed=1", false, 0, false, 0, false},
        {"", false, 0, false, 0, false},
        {",node=3", false, 0, false, 0, false},
    };
    for (const row& r : rows) {
        boot_can_node::placement p;
        std::string error;
        ASSERT_EQ(boot_can_node::parse_placement(r.text, p, error), r.ok) << r.text;
        if (!r.ok) {
            EXPECT_FALSE(error.empty()) << r.text;
            continue;
        }
        EXPECT_EQ(p.hub, "/tmp/bus");
        EXPECT_EQ(p.node, r.node) << r.text;
        EXPECT_EQ(p.ids == boot_can_node::scheme::quelcan, r.quelcan) << r.text;
        EXPECT_EQ(p.bitrate, r.bitrate) << r.text;
        EXPECT_EQ(p.serve_hub, r.hub) << r.text;
    }
}
