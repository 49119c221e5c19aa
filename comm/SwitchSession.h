#pragma once
// One way to reach a switch for the window, kovrin-cli and the gang alike: open a link by
// its port name, with one result that says what to tell the user; then the commissioning
// operations of ChangedUpload.h (read the state, write chosen words with a pause that can
// stop between words, read back) run over it. A new kind of port is one more branch in
// OpenSwitchLink and nowhere else.
#include "comm/ChangedUpload.h"
#include "comm/CommPort.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kovrin {

inline constexpr const char* kCannotOpenSerialPort = "Cannot open serial port";
inline constexpr const char* kCannotOpenUsbPort = "Cannot open USB port";
inline constexpr const char* kUsbPort = "USB";

struct LinkOpening {
    std::unique_ptr<CommPort> link;  // null when the open failed
    std::string message;             // then the message for the user
    std::string reason;              // and the system's reason, when it gives one to act on
    std::vector<std::string> warnings;  // what the port look-up wants the user to know, either way
    explicit operator bool() const { return link != nullptr; }
};

// What a link is made with; tests substitute scripted devices and USB opens.
struct LinkMaker {
    SerialOpener opener = SystemSerialOpener();
    std::shared_ptr<PortFinder> finder;    // null: the system's
    std::function<bool()> usbOpen;         // null: UsbOpen()
};

// "COM1".."COM8", a device path or "USB": Connect's open (the port, then FreeBuffer).
LinkOpening OpenSwitchLink(const std::string& portName, const LinkMaker& maker = {});

} // namespace kovrin
