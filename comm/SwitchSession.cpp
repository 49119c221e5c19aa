#include "comm/SwitchSession.h"

#include "comm/DebugLog.h"
#include "comm/usb/UsbLink.h"

namespace kovrin {

LinkOpening OpenSwitchLink(const std::string& portName, const LinkMaker& maker)
{
    DebugLogF("Local port: %s\n", portName.c_str());
    LinkOpening out;
    auto port = std::make_unique<CommPort>(maker.opener, maker.finder);
    port->portName = portName;
    if (portName == kUsbPort) {
        if (maker.usbOpen ? maker.usbOpen() : UsbOpen()) {
            out.link = std::move(port);
            return out;
        }
        // Whatever the failed open left of the adapter is released.
        port->ClosePort();
        out.message = kCannotOpenUsbPort;
        return out;
    }
    const bool connected = port->ConnectPort();
    out.warnings = port->portWarnings();
    if (connected) {
        out.link = std::move(port);
        return out;
    }
    out.message = kCannotOpenSerialPort;
    if (port->openFailure().forUser)
        out.reason = port->openFailure().text;
    return out;
}

} // namespace kovrin
