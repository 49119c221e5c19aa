#pragma once
// A port finder with a fixed answer, so tests never depend on the serial devices of the
// machine they run on.
#include "platform/PortFinder.h"

#include <map>
#include <string>

namespace kovrin::test {

class FixedPortFinder final : public PortFinder {
public:
    // COM number -> device; numbers not given stand for nothing.
    explicit FixedPortFinder(std::map<int, std::string> devices) : devices_(std::move(devices)) {}
    PortScan Scan() override
    {
        PortScan scan;
        for (int n = 1; n <= kComPortCount; ++n) {
            ComPort& port = scan.ports[static_cast<std::size_t>(n - 1)];
            port.number = n;
            if (const auto it = devices_.find(n); it != devices_.end())
                port.device = it->second;
            port.present = port.mayOpen = !port.device.empty();
        }
        return scan;
    }

private:
    std::map<int, std::string> devices_;
};

} // namespace kovrin::test
