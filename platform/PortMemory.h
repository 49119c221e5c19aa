#pragma once
// The COM numbers of serial devices as a small text file the user may edit, one device a
// line ("COM3 usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0"), and the rule that gives a
// device its number. A line that cannot be read costs only the device it named: the
// others keep their numbers, and the line itself is kept in the file as a comment.
#include "platform/PortFinder.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kovrin {

struct PortMemory {
    std::array<std::string, kComPortCount> names;  // remembered device per number; empty: free
    std::vector<std::string> comments;             // the user's comments and unread lines, kept
    std::vector<std::string> notes;                // why a line was not read, for the log
};

// Reads the file's text; never fails: what it cannot read is noted and kept as a comment.
PortMemory ParsePortMemory(std::string_view text, const std::string& fileName);
std::string FormatPortMemory(const PortMemory& memory);

// What AssignNumbers gave: per present device its number 1..8 (0 when all eight are in use
// by present devices), the name its number is remembered by, and the absent device whose
// number it took (empty: none).
struct Assignment {
    std::vector<int> numbers;
    std::vector<std::string> rememberedAs;
    std::vector<std::string> takenFrom;
    bool changed = false;  // `memory` changed
};

// Gives each device of `present` (its names, the one to remember it by first, then older
// names it may be remembered by; in the order numbers are handed out) its number: the one
// it is remembered by under any of its names (the line then takes its first name), else the
// lowest number no device is remembered by, else the lowest number of a remembered device
// that is not present (that device is forgotten).
Assignment AssignNumbers(PortMemory& memory, const std::vector<std::vector<std::string>>& present);

} // namespace kovrin
