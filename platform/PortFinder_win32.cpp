// Windows numbers its COM ports itself: COMn is opened as "COMn".
#include "platform/PortFinder.h"


namespace kovrin {

namespace {

class Win32PortFinder final : public PortFinder {
public:
    PortScan Scan() override
    {
        PortScan scan;
        for (int n = 1; n <= kComPortCount; ++n) {
            ComPort& port = scan.ports[static_cast<std::size_t>(n - 1)];
            port.number = n;
            port.device = "COM" + std::to_string(n);
            port.probed = false;
            if (const std::optional<std::string> device = ComPortOverride(n)) {
                port.description = "KOVRIN_" + port.device;
                port.device = *device;
                port.fromVariable = true;
            }
        }
        return scan;
    }
};

} // namespace

std::unique_ptr<PortFinder> MakePortFinder(const std::string&, const std::string&)
{
    return std::make_unique<Win32PortFinder>();
}

std::unique_ptr<PortFinder> MakeSystemPortFinder() { return std::make_unique<Win32PortFinder>(); }

std::string PortMemoryFile() { return {}; }

} // namespace kovrin
