#pragma once
// The link object: one per connection, made by Connect, opened over a COM port (or the USB
// open of comm/usb), used by any number of transfers and closed by Disconnect, Exit or a
// failed transfer. Its owner (the window logic, kovrin-cli) holds it as the active port
// and disposes of it; ClosePort only releases what it holds and may run any number of
// times.
#include "comm/LinkOperations.h"
#include "platform/OpenFailure.h"
#include "platform/PortFinder.h"
#include "platform/SerialPort.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kovrin {

// Opens a serial device by path at a baud rate; tests substitute a scripted device.
using SerialOpener =
    std::function<std::unique_ptr<SerialPort>(const std::string& device, unsigned baud, unsigned& error)>;
// OpenSerialPort on the real system clock.
SerialOpener SystemSerialOpener();

class CommPort final : public LinkOperations {
public:
    // `finder` says which device each COM number stands for; null: the system's.
    explicit CommPort(SerialOpener opener = SystemSerialOpener(), std::shared_ptr<PortFinder> finder = nullptr);
    ~CommPort() override;
    CommPort(const CommPort&) = delete;
    CommPort& operator=(const CommPort&) = delete;

    // "COM1".."COM8", "USB", a network port name (comm/net/NetworkUrl.h) or a device
    // path; empty in a new link object.
    std::string portName;

    // Opens and configures the device named by portName (COM1..COM8 as the port finder
    // assigns them, else a path); speed selector 0 is 1200 baud. A failure is logged with
    // its reason, which openFailure() then gives.
    bool OpenPort(int speedSelector);
    // OpenPort(0), then FreeBuffer; true only if both succeeded. On failure nothing is open.
    bool ConnectPort();
    // Releases the device if it is open; then, on the USB link, the USB close.
    void ClosePort();
    bool IsOpen() const { return serial_ != nullptr; }
    // Why the last OpenPort failed; empty text after a successful one.
    const OpenFailureReason& openFailure() const { return openFailure_; }
    // What the user must know of the COM number the last OpenPort looked up (taken from an
    // absent cable, not kept for next time); empty for a path or a KOVRIN_COMn device.
    const std::vector<std::string>& portWarnings() const { return portWarnings_; }

    bool FreeBuffer() override;
    bool WriteBuffer(const std::uint8_t* frame, std::size_t count) override;
    bool ReadBuffer(std::uint8_t* buffer, std::size_t capacity, std::size_t& received, std::size_t expected,
                    std::size_t alternative) override;

private:
    bool OpenNetworkPort(int speedSelector);

    SerialOpener opener_;
    std::shared_ptr<PortFinder> finder_;
    std::unique_ptr<SerialPort> serial_;
    OpenFailureReason openFailure_;
    std::vector<std::string> portWarnings_;
};

// The same operations under their free-standing names.
inline bool OpenPort(CommPort& port, int speedSelector) { return port.OpenPort(speedSelector); }
inline bool ConnectPort(CommPort& port) { return port.ConnectPort(); }
inline bool FreeBuffer(CommPort& port) { return port.FreeBuffer(); }
inline bool WriteBuffer(CommPort& port, const std::uint8_t* frame, std::size_t count)
{
    return port.WriteBuffer(frame, count);
}
inline bool ReadBuffer(CommPort& port, std::uint8_t* buffer, std::size_t capacity, std::size_t& received,
                       std::size_t expected, std::size_t alternative)
{
    return port.ReadBuffer(buffer, capacity, received, expected, alternative);
}
inline void ClosePort(CommPort& port) { port.ClosePort(); }

} // namespace kovrin
