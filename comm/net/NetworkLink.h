#pragma once
// The network link: a serial port reached through a device server, behind the same
// serial-port operations (and so the same waits, traces and answer judging) as a COM
// port. The link object opens it for a port name IsNetworkPortName accepts.
#include "comm/net/NetworkUrl.h"
#include "platform/SerialPort.h"

#include <memory>
#include <string>

namespace kovrin {

struct NetworkWaits {
    Clock::Ms connect{3000};     // name look-up and connect together
    Clock::Ms optionWait{1000};  // for the server's answer to the COM-port option
    SerialTimeouts io{};
};

// Connects to the port named `url`, and for rfc2217:// negotiates and sets the line to
// `baud`, 8N1, no flow control. nullptr on failure, with the system's code and a reason
// for the user (one line).
std::unique_ptr<SerialPort> OpenNetworkLink(const std::string& url, unsigned baud, unsigned& error,
                                            std::string& reason, const NetworkWaits& waits = {});

} // namespace kovrin
