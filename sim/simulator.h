// The simulated controller behind the simulated HID interfaces: world, faults, wire log
// and the controller core, fed by the HID server, with pacing, delayed replies, unplug
// and replug, and the commands of the control socket.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/boot_loader.h"
#include "sim/boot_sdo_server.h"
#include "sim/controller.h"
#include "sim/device_versions.h"
#include "sim/event_loop.h"
#include "sim/faults.h"
#include "sim/hid_server.h"
#include "sim/serial_peer.h"
#include "sim/tun_peer.h"
#include "sim/wire_log.h"
#include "sim/world.h"

namespace sim {

class simulator {
public:
    simulator(event_loop& loop, std::string folder);
    ~simulator();

    bool start(const std::string& profile, std::vector<sim_interface> interfaces, std::string& error);

    world& state() { return world_; }
    wire_log& log() { return log_; }
    fault_plan& faults() { return faults_; }
    hid_server& hid() { return hid_; }
    boot_loader& loader() { return loader_; }
    boot_sdo_server& sdo() { return sdo_; }
    // The versions the controller reports, shared by the application and the loader.
    device_versions& versions() { return versions_; }

    // One report per 1 ms USB frame in each direction, as a full-speed interrupt pipe.
    void set_pacing(bool on) { pacing_ = on; }
    void unplug(int32_t replug_ms);
    bool replug(std::string& error);

    // One line of the control protocol in, the response lines out (the last one starts
    // with "ok" or "error"; data lines come before it). "help" lists the commands with
    // their arguments; a wrong call answers with the command's usage. The boot loader's
    // commands come after the table:
    //   personality                  memory-write <addr> <hex bytes>   memory-read <addr> <n <= 4096>
    //   memory-save <addr> <n> <file>                    memory-load <addr> <file>
    //   erase-delay <ms per sector>  restart-delays <D1 ms> <D2 ms>    flash-start <n>
    //   firmware 0|1                 loader-log          loader-log-clear   loader-faults-clear
    //   loader-fault drop|abort|toggle|duplicate|delay|unplug|index|confirm [at=N] [times=N] [reason=R]
    //                [ms=N] [replug=N]
    //     (at: the Nth transfer request from now, 1 the next, for `times` requests; index: the reply
    //      names another index; confirm: a confirmation carries the value 1)
    std::vector<std::string> control(const std::string& line);

    // The boot loader's other faces: a pseudo terminal (its slave is the COM port) and a
    // TUN device answering ICMP echo (spec as tun_peer::start takes it).
    bool start_serial(std::string& error);
    bool start_tun(const std::string& spec, std::string& error);
    serial_peer* serial() { return serial_.get(); }
    tun_peer* tun() { return tun_.get(); }
    // One request of the transfer protocol from the pty or the TUN device, with that
    // transport's session; logged under `log_iface`. The replies and their delay.
    std::vector<boot_frame> transfer_request(const uint8_t* frame, size_t n, boot_session session, uint8_t log_iface,
                                             uint32_t& delay_ms);
    static constexpr uint8_t serial_log_iface = 0xE0;
    static constexpr uint8_t tun_log_iface = 0xE1;

private:
    struct control_call;
    struct control_command {
        const char* name;
        const char* usage;  // the arguments
        bool (*run)(simulator& s, control_call& c);
    };
    static const std::vector<control_command>& control_commands();
    // The boot loader's commands, a table of their own.
    static const std::vector<control_command>& loader_commands();
    // The commands of the serial and Ethernet faces.
    static const std::vector<control_command>& link_commands();
    // The commands of the version model.
    static const std::vector<control_command>& version_commands();
    // The memory areas as whole files (a controller's clone data saved and replaced).
    static const std::vector<control_command>& area_commands();
    // Every table above, in the order "help" lists them and a command is looked up.
    static const std::vector<const std::vector<control_command>*>& command_tables();
    struct sdo_fault {
        enum kind_t { delay, unplug, wrong_index, confirm_one } kind = delay;
        uint32_t from = 0, times = 1, ms = 0;
        int32_t replug_ms = -1;
    };
    void on_report(size_t iface, const uint8_t* report, size_t n);
    void process(size_t iface, const uint8_t* report, size_t n);
    // Frames of the object-transfer protocol: every frame while a segmented transfer is
    // open, otherwise every frame shorter than a controller frame.
    bool is_transfer_frame(const uint8_t* report, size_t n, const sim_interface& i) const;
    void process_transfer(size_t iface, const uint8_t* report, size_t n);
    // The armed transfer faults applied to the replies of request `number`.
    void shape_replies(uint32_t number, std::vector<boot_frame>& replies, uint32_t& delay, std::string& note,
                       bool& unplug_now, int32_t& replug_ms);
    // A restart the loader asked for, after the last reply went out.
    void follow_loader_event(uint64_t after_ns);
    // Sends now or schedules (pacing, delays); the time it goes out, in now_ns() terms.
    uint64_t schedule_out(size_t iface, const outgoing_report& o);
    void send_out(size_t iface, const outgoing_report& o);
    // The controller restarts into the loader or the application: D1 after `after_ns` it
    // leaves the bus, D2 later it is back in the other personality.
    void restart(bool into_loader, uint64_t after_ns);
    void personality_from_profile();
    // The version model: taken from an application profile (or the first one loaded), put
    // into the information blocks and the loader's version text after every load, and fed
    // with the downloads and the PROFINET stream.
    void take_profile_versions();
    void sync_versions();
    void watch_downloads();
    void after_request();
    // The program and the controller's non-volatile memory: written back when it changed
    // (always: also when it did not), loaded when the application starts.
    void program_to_memory(bool always = false);
    void program_from_memory();
    uint32_t flash_config_address() const;

    event_loop& loop_;
    world world_;
    fault_plan faults_;
    wire_log log_;
    controller core_;
    hid_server hid_;
    bool pacing_ = false;
    uint64_t last_in_ns_ = 0;
    uint64_t last_out_ns_ = 0;
    uint64_t replug_timer_ = 0;
    // Live mode: one change every live_period_ns_ while live_timer_ runs.
    void live_tick();
    // Live mode: the process monitor's cycle brought up to the present.
    void pm_live_now();
    uint64_t live_timer_ = 0;
    uint64_t live_period_ns_ = 0;
    uint32_t live_steps_ = 0;
    uint64_t generation_ = 0;  // bumped at unplug: replies of the old connection are void
    boot_loader loader_;
    boot_sdo_server sdo_{loader_, boot_session::usb()};
    std::vector<sdo_fault> sdoFaults_;
    uint32_t restartD1Ms_ = 100;
    uint32_t restartD2Ms_ = 500;
    std::string appProfile_ = "premium";  // the application a started firmware comes back as
    std::unique_ptr<serial_peer> serial_;
    std::unique_ptr<tun_peer> tun_;
    device_versions versions_;
    bool versionsKnown_ = false;
    bool streamNoted_ = false;
    // The program's parts as the memory last received or gave them.
    std::vector<uint8_t> storedDevice_, storedFlash_;
    bool flashFullNoted_ = false;
};

// The default interface list: the controller alone.
std::vector<sim_interface> default_interfaces();

}  // namespace sim
