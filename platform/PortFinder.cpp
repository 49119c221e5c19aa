#include "platform/PortFinder.h"

namespace kovrin {

std::optional<int> ComPortNumber(const std::string& portName)
{
    if (portName.size() == 4 && portName.compare(0, 3, "COM") == 0 && portName[3] >= '1' &&
        portName[3] <= '0' + kComPortCount)
        return portName[3] - '0';
    return std::nullopt;
}

} // namespace kovrin
