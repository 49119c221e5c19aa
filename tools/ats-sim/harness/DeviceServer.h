#pragma once
// ser2net in front of simulated switches, for the tests and the benchmark: one RFC 2217
// (telnet) and one raw TCP accepter per device, on free loopback ports, from a
// configuration written into a scratch folder.
#include "tools/ats-sim/harness/ChildProcess.h"

#include <optional>
#include <string>
#include <vector>

namespace kovrin::sim {

struct ServedDevice {
    std::string device;  // the serial device ser2net opens
    unsigned rfc2217Port = 0;
    unsigned rawPort = 0;
    std::string rfc2217Url() const { return "rfc2217://127.0.0.1:" + std::to_string(rfc2217Port); }
    std::string rawUrl() const { return "socket://127.0.0.1:" + std::to_string(rawPort); }
};

class DeviceServer {
public:
    // Starts ser2net for `devices` with its files in `folder`; nullopt with `error` when it
    // is not installed or did not come up.
    static std::optional<DeviceServer> Start(const std::vector<std::string>& devices, const std::string& folder,
                                             std::string& error);

    const std::vector<ServedDevice>& devices() const { return devices_; }

private:
    DeviceServer(ChildProcess child, std::vector<ServedDevice> devices)
        : child_(std::move(child)), devices_(std::move(devices))
    {
    }

    std::optional<ChildProcess> child_;
    std::vector<ServedDevice> devices_;
};

// A free TCP port on 127.0.0.1 (0 when none could be had).
unsigned FreeLoopbackPort();
// True when something listens on 127.0.0.1:port within `timeout` (Linux).
bool WaitForListener(unsigned port, Millis timeout);

} // namespace kovrin::sim
