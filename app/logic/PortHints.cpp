#include "app/logic/PortHints.h"

namespace kovrin {

namespace {
constexpr const char* kDash = " \u2014 ";  // an em dash between blanks
constexpr const char* kNothingThere = "nothing there";
} // namespace

std::string PortHint(const ComPort& port)
{
    if (!port.probed)
        return {};
    std::string hint = "COM" + std::to_string(port.number) + kDash;
    if (port.device.empty()) {
        hint += kNothingThere;
        if (!port.remembered.empty())
            hint += " (number kept for " + port.remembered + ")";
        return hint;
    }
    hint += port.device;
    if (!port.description.empty())
        hint += ", " + port.description;
    if (!port.present)
        hint += std::string(" (") + kNothingThere + ")";
    for (const std::string& warning : port.warnings)
        hint += "; " + warning;
    return hint;
}

} // namespace kovrin
