#include "comm/SwitchSession.h"

#include "comm/DebugLog.h"
#include "comm/usb/UsbLink.h"

namespace kovrin {

namespace {

// The serial and USB ports' link object.
class PortLink final : public SwitchLink {
public:
    explicit PortLink(std::unique_ptr<CommPort> port) : port_(std::move(port)) {}
    bool FreeBuffer() override { return port_->FreeBuffer(); }
    bool WriteBuffer(const std::uint8_t* frame, std::size_t count) override { return port_->WriteBuffer(frame, count); }
    bool ReadBuffer(std::uint8_t* buffer, std::size_t capacity, std::size_t& received, std::size_t expected,
                    std::size_t alternative) override
    {
        return port_->ReadBuffer(buffer, capacity, received, expected, alternative);
    }
    void ClosePort() override { port_->ClosePort(); }

private:
    std::unique_ptr<CommPort> port_;
};

} // namespace

LinkOpening OpenSwitchLink(const std::string& portName, const LinkMaker& maker)
{
    DebugLogF("Local port: %s\n", portName.c_str());
    LinkOpening out;
    auto port = std::make_unique<CommPort>(maker.opener, maker.finder);
    port->portName = portName;
    if (portName == kUsbPort) {
        if (maker.usbOpen ? maker.usbOpen() : UsbOpen()) {
            out.link = std::make_unique<PortLink>(std::move(port));
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
        out.link = std::make_unique<PortLink>(std::move(port));
        return out;
    }
    out.message = kCannotOpenSerialPort;
    if (port->openFailure().forUser)
        out.reason = port->openFailure().text;
    return out;
}

} // namespace kovrin
