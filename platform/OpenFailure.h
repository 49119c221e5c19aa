#pragma once
// Why a serial device could not be opened, in plain words and with what to do about it:
// no permission (and which group grants it), held by another program (which one), no such
// device, not a serial port.
#include <string>

namespace kovrin {

struct OpenFailureReason {
    std::string text;      // one line; never empty
    bool forUser = false;  // shown under the error message; false: for the log only
};

// `portName` is what the user chose ("COM3" or a path), `device` what was opened (empty
// when nothing is assigned to the COM number), `error` the system's error code.
OpenFailureReason ExplainOpenFailure(const std::string& portName, const std::string& device, unsigned error);

} // namespace kovrin
