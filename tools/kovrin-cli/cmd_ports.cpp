// ports: COM1..COM8 as the window's Com Port menu offers them.
#include "Commands.h"

#include "platform/PortFinder.h"

#include <algorithm>
#include <cstdio>

namespace kovrin::cli {

namespace {

const char* YesNo(const ComPort& port, bool value) { return port.probed ? (value ? "yes" : "no") : "?"; }

} // namespace

int RunPorts(const Args&)
{
    const PortScan scan = MakeSystemPortFinder()->Scan();
    for (const std::string& note : scan.notes)
        Fail(ExitOk, note);
    for (const std::string& warning : scan.warnings)
        Fail(ExitOk, "warning: " + warning);
    std::size_t width = std::string_view("device").size();
    for (const ComPort& port : scan.ports)
        width = std::max(width, port.device.size());
    const int w = static_cast<int>(width);
    std::printf("%-5s %-*s %-7s %-8s %s\n", "port", w, "device", "present", "may open", "description");
    for (const ComPort& port : scan.ports) {
        std::string description = port.description;
        if (port.device.empty() && !port.remembered.empty())
            description = "number kept for " + port.remembered;
        std::printf("COM%-2d %-*s %-7s %-8s %s\n", port.number, w, port.device.empty() ? "-" : port.device.c_str(),
                    YesNo(port, port.present), port.device.empty() ? "-" : YesNo(port, port.mayOpen),
                    description.c_str());
    }
    return ExitOk;
}

} // namespace kovrin::cli
