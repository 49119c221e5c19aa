#pragma once
// The hint of each COM port command: which device the number stands for now.
#include "platform/PortFinder.h"

#include <string>

namespace kovrin {

// "COM3 — /dev/ttyUSB0, FT232R USB UART", "COM4 — nothing there"; empty where the system
// tells nothing beyond the port's name.
std::string PortHint(const ComPort& port);

} // namespace kovrin
