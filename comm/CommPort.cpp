#include "comm/CommPort.h"

#include "comm/DebugLog.h"
#include "comm/Frame.h"
#include "comm/UsbLinkClient.h"
#include "comm/net/NetworkLink.h"

#include <algorithm>

namespace kovrin {

namespace {
constexpr unsigned kBadHandle = 9;     // EBADF: an operation on a link with no open device
constexpr unsigned kNoSuchDevice = 2;  // ENOENT (ERROR_FILE_NOT_FOUND): no device for the COM number
}

SerialOpener SystemSerialOpener()
{
    return [](const std::string& device, unsigned baud, unsigned& error) {
        return OpenSerialPort(device, baud, error);
    };
}

CommPort::CommPort(SerialOpener opener, std::shared_ptr<PortFinder> finder)
    : opener_(std::move(opener)), finder_(std::move(finder))
{
}

CommPort::~CommPort() = default;

bool CommPort::OpenPort(int speedSelector)
{
    serial_.reset();
    openFailure_ = {};
    portWarnings_.clear();
    if (IsNetworkPortName(portName))
        return OpenNetworkPort(speedSelector);
    // COM numbers are looked up afresh at every open: a cable may have come or gone.
    // A KOVRIN_COMn variable needs no look-up.
    std::string device = portName;
    const std::optional<int> number = ComPortNumber(portName);
    if (const std::optional<std::string> named = number ? ComPortOverride(*number) : std::nullopt) {
        device = *named;
    } else if (number) {
        if (!finder_)
            finder_ = MakeSystemPortFinder();
        const PortScan scan = finder_->Scan();
        for (const std::string& note : scan.notes)
            DebugLogF("%s\n", note.c_str());
        const ComPort& port = scan.ports[static_cast<std::size_t>(*number - 1)];
        device = port.device;
        portWarnings_ = port.warnings;
        for (const std::string& warning : portWarnings_)
            DebugLogF("%s\n", warning.c_str());
    }
    unsigned error = kNoSuchDevice;
    if (!device.empty())
        serial_ = opener_ ? opener_(device, BaudForSpeed(speedSelector), error) : nullptr;
    if (serial_)
        return true;
    DebugLogF("Serial Error: cannot open %s: %u\n", (device.empty() ? portName : device).c_str(), error);
    openFailure_ = ExplainOpenFailure(portName, device, error);
    DebugLogF("%s\n", openFailure_.text.c_str());
    return false;
}

// A port behind a device server: the reason given is always for the user, since the
// name alone says nothing of what went wrong on the network.
bool CommPort::OpenNetworkPort(int speedSelector)
{
    unsigned error = 0;
    std::string reason;
    serial_ = OpenNetworkLink(portName, BaudForSpeed(speedSelector), error, reason);
    if (serial_)
        return true;
    DebugLogF("Serial Error: cannot open %s: %u\n", portName.c_str(), error);
    openFailure_ = {reason, true};
    DebugLogF("%s\n", reason.c_str());
    return false;
}

bool CommPort::ConnectPort()
{
    const bool opened = OpenPort(0);
    if (opened && FreeBuffer())
        return true;
    // A device server that takes the connection and drops it at once has the port busy.
    if (opened && IsNetworkPortName(portName))
        openFailure_ = {"the server closed the connection at once (is the port in use by another client?)", true};
    ClosePort();
    return false;
}

void CommPort::ClosePort()
{
    serial_.reset();
    if (UsbSelected) {
        if (UsbLinkClient* client = GetUsbLinkClient())
            client->Close();
    }
}

bool CommPort::FreeBuffer()
{
    if (UsbSelected)
        return true;
    unsigned error = kBadHandle;
    if (serial_ && serial_->Purge(error))
        return true;
    DebugLogF("Serial Error: Free Buffer %u", error);
    serial_.reset();
    return false;
}

bool CommPort::WriteBuffer(const std::uint8_t* frame, std::size_t count)
{
    LogStampedF("sent %d bytes: \n", static_cast<int>(count));
    for (std::size_t i = 0; i < count; ++i)
        TraceByte(frame[i], kTraceSent);
    TraceByte(0, kTraceFlush);

    if (UsbSelected) {
        if (UsbLinkClient* client = GetUsbLinkClient())
            client->Send(frame, count);
        return true;
    }
    if (!serial_) {
        DebugLogF("Serial Error WriteFile: %u", kBadHandle);
        return false;
    }
    std::size_t written = 0;
    unsigned error = 0;
    switch (serial_->Write(frame, count, written, error)) {
    case SerialStatus::Failed:
        DebugLogF("Serial Error WriteFile: %u", error);
        serial_->CancelWrite();
        return false;
    case SerialStatus::TimedOut:
        DebugLogF("Serial Error Timeout WriteFile: %u", error);
        serial_->CancelWrite();
        return false;
    case SerialStatus::ResultFailed:
        DebugLogF("Serial Error GetOverlapped Write Result: %u", error);
        serial_->CancelWrite();
        return false;
    case SerialStatus::Done:
        break;
    }
    if (written == count)
        return true;
    std::uint8_t head[6] = {};
    std::copy_n(frame, std::min<std::size_t>(count, 6), head);
    DebugLogF("Serial Error: Number of writed byte %u <> Number of written bytes %u [%X %X %X %X %X %X]",
              static_cast<unsigned>(written), static_cast<unsigned>(count), head[0], head[1], head[2], head[3],
              head[4], head[5]);
    return false;
}

bool CommPort::ReadBuffer(std::uint8_t* buffer, std::size_t capacity, std::size_t& received, std::size_t expected,
                          std::size_t alternative)
{
    received = 0;
    if (UsbSelected && UsbAnswerPending) {
        if (UsbLinkClient* client = GetUsbLinkClient())
            return client->Read(buffer, capacity, received, expected, alternative);
    }
    if (!serial_) {
        DebugLogF("Serial Error ReadFile: %u", kBadHandle);
        return false;
    }
    unsigned error = 0;
    switch (serial_->Read(buffer, std::min(expected, capacity), received, error)) {
    case SerialStatus::Failed:
        DebugLogF("Serial Error ReadFile: %u", error);
        return false;
    case SerialStatus::TimedOut:
        DebugLogF("Serial Error Timeout ReadFile: %u", error);
        return false;
    case SerialStatus::ResultFailed:
        DebugLogF("Serial Error GetOverlapped Read Result: %u", error);
        return false;
    case SerialStatus::Done:
        break;
    }
    return AcceptAnswer(buffer, received, expected, alternative);
}

} // namespace kovrin
