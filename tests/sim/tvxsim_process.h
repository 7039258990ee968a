// Starts the tvxsim server in a fresh temporary folder, waits until it listens, and points
// the simulated HID backend (TARVIX_HID_SIM) at it. Stops and removes it on destruction.
#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

#include "sim/control_client.h"

namespace testing_support {

class tvxsim_process {
public:
    // Extra arguments for tvxsim (e.g. "--interface", "...", "--pace").
    explicit tvxsim_process(const std::vector<std::string>& args = {});
    ~tvxsim_process();
    tvxsim_process(const tvxsim_process&) = delete;
    tvxsim_process& operator=(const tvxsim_process&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    const std::string& folder() const { return folder_; }
    sim::control_client& control() { return control_; }
    pid_t pid() const { return pid_; }
    // The mailbox commands (requests of kind 2) the controller received from `seq` on.
    std::vector<sim::wire_entry> commands_since(uint64_t seq);

private:
    std::string folder_;
    std::string error_;
    pid_t pid_ = -1;
    int stdin_fd_ = -1;
    bool ok_ = false;
    sim::control_client control_;
};

// The tvxsim executable: $TARVIX_APP_DIR/tvxsim.
std::string tvxsim_path();

}  // namespace testing_support
