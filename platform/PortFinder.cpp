#include "platform/PortFinder.h"

#include <cstdlib>

namespace kovrin {

std::optional<int> ComPortNumber(const std::string& portName)
{
    if (portName.size() == 4 && portName.compare(0, 3, "COM") == 0 && portName[3] >= '1' &&
        portName[3] <= '0' + kComPortCount)
        return portName[3] - '0';
    return std::nullopt;
}

std::optional<std::string> ComPortOverride(int number)
{
    const std::string variable = "KOVRIN_COM" + std::to_string(number);
    if (const char* device = std::getenv(variable.c_str()); device && *device)
        return std::string(device);
    return std::nullopt;
}

} // namespace kovrin
