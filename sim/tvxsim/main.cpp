// tvxsim: the simulated controller on the simulated HID interfaces, driven through its
// control socket. Prints "ready" on standard output once every socket listens.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "sim/boot_can_node.h"
#include "sim/can_bus_hub.h"
#include "sim/control_server.h"
#include "sim/event_loop.h"
#include "sim/profiles.h"
#include "sim/simulator.h"

namespace {

void usage()
{
    std::fprintf(stderr,
                 "usage: tvxsim [--dir FOLDER] [--profile NAME] [--interface SPEC]... [--pace] [--exit-with-stdin]\n"
                 "              [--can HUB[,node=N][,quelcan][,rate=BIT/S][,hub]]\n"
                 "              [--serial] [--tun] [--tun-spec peer=A[,local=B]]\n"
                 "  FOLDER defaults to $TARVIX_HID_SIM; SPEC as page=0xFF00,usage=1,in=65,out=65,"
                 "product=Tarvix%%209[,decoy][,noproduct][,refusewrite]\n");
}

}  // namespace

int main(int argc, char** argv)
{
    std::string dir = std::getenv("TARVIX_HID_SIM") ? std::getenv("TARVIX_HID_SIM") : "";
    std::string profile = sim::profiles().front().name;
    std::vector<sim::sim_interface> ifaces;
    bool pace = false;
    bool exit_with_stdin = false;  // a test harness that dies takes the server with it
    bool serial = false;           // the boot loader on a pty too
    bool tun = false;              // and behind a TUN device
    std::string tun_spec;
    bool on_can = false;
    sim::boot_can_node::placement can;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--dir")
            dir = value();
        else if (a == "--profile")
            profile = value();
        else if (a == "--interface") {
            sim::sim_interface s;
            std::string err;
            if (!sim::parse_interface(value(), s, err)) {
                std::fprintf(stderr, "tvxsim: %s\n", err.c_str());
                return 2;
            }
            ifaces.push_back(s);
        } else if (a == "--pace")
            pace = true;
        else if (a == "--exit-with-stdin")
            exit_with_stdin = true;
        else if (a == "--can") {
            std::string err;
            if (!sim::boot_can_node::parse_placement(value(), can, err)) {
                std::fprintf(stderr, "tvxsim: %s\n", err.c_str());
                return 2;
            }
            on_can = true;
        }
        else if (a == "--serial")
            serial = true;
        else if (a == "--tun")
            tun = true;
        else if (a == "--tun-spec")
            tun = true, tun_spec = value();
        else {
            usage();
            return 2;
        }
    }
    if (dir.empty()) {
        usage();
        return 2;
    }
    if (ifaces.empty())
        ifaces = sim::default_interfaces();

    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGINT);
    sigprocmask(SIG_BLOCK, &mask, nullptr);
    int sfd = signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);
    std::signal(SIGPIPE, SIG_IGN);

    sim::event_loop loop;
    sim::simulator simulator(loop, dir);
    sim::control_server control(loop, simulator, dir + "/control");
    std::string err;
    if (!simulator.start(profile, ifaces, err) || !control.start(err)) {
        std::fprintf(stderr, "tvxsim: %s\n", err.c_str());
        return 1;
    }
    simulator.set_pacing(pace);
    if ((serial && !simulator.start_serial(err)) || (tun && !simulator.start_tun(tun_spec, err))) {
        std::fprintf(stderr, "tvxsim: %s\n", err.c_str());
        return 1;
    }
    // The boot loader's node on the CAN bus, over the same loader as the USB face.
    std::unique_ptr<sim::can_bus_hub> can_hub;
    std::shared_ptr<sim::can_bus_node> can_node;
    std::unique_ptr<boot_sdo_server> can_sdo;
    std::unique_ptr<sim::boot_can_node> can_loader;
    if (on_can) {
        try {
            if (can.serve_hub) {
                can_hub = std::make_unique<sim::can_bus_hub>(can.hub);
                can_hub->start();
            }
            can_node = std::make_shared<sim::can_bus_node>(can.hub, can.bitrate);
        } catch (const std::runtime_error& e) {
            std::fprintf(stderr, "tvxsim: %s\n", e.what());
            return 1;
        }
        can_sdo = std::make_unique<boot_sdo_server>(simulator.loader(), boot_session::can());
        can_loader = std::make_unique<sim::boot_can_node>(can_node, *can_sdo, can.node, can.ids);
        loop.watch(can_node->fd(), POLLIN, [&](short) {
            sim::can_frame f;
            while (can_node->try_receive(f))
                can_loader->handle(f);
            if (can_node->hung_up())
                loop.unwatch(can_node->fd());
        });
    }
    loop.watch(sfd, POLLIN, [&](short) { loop.quit(); });
    if (exit_with_stdin)
        loop.watch(0, POLLIN, [&](short) {
            char c[64];
            if (::read(0, c, sizeof c) <= 0)
                loop.quit();
        });
    std::printf("ready\n");
    std::fflush(stdout);
    loop.run();
    return 0;
}
