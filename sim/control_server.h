// The control socket of the simulator (a stream socket named "control" in its folder):
// one command per line in, its response lines out.
#pragma once
#include <map>
#include <string>

#include "sim/event_loop.h"
#include "sim/simulator.h"

namespace sim {

class control_server {
public:
    control_server(event_loop& loop, simulator& sim, std::string path);
    ~control_server();
    bool start(std::string& error);
    const std::string& path() const { return path_; }

private:
    void accept_one();
    void readable(int fd);
    void close_client(int fd);

    event_loop& loop_;
    simulator& sim_;
    std::string path_;
    int listener_ = -1;
    std::map<int, std::string> clients_;  // fd -> bytes of an unfinished line
};

}  // namespace sim
