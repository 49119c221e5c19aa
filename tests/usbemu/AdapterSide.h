#pragma once
// What an emulated adapter does, whatever kernel interface it is reached through: its
// report layout and descriptor, its feature report, and its serial side (a tty, usually
// an ats-sim pty) that output reports are written to and input reports are read from.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kovrin::usbemu {

enum class DeviceKind { Plain, SerialBridge, Keyboard };
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// What a device kind's descriptors declare.
struct KindInfo {
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::size_t inputBytes;    // input report payload (no report id)
    std::size_t outputBytes;   // output report payload
    std::size_t featureBytes;  // feature report data (no report id)
};

const KindInfo& Info(DeviceKind kind);
// Vendor-defined reports of 8-bit fields, no report id.
Bytes ReportDescriptor(const KindInfo& k);
std::string Hex(const std::uint8_t* data, std::size_t count);

// Not thread-safe: the owner serialises calls.
class AdapterSide {
public:
    AdapterSide(DeviceKind kind, const std::string& tty);
    ~AdapterSide();
    AdapterSide(const AdapterSide&) = delete;
    AdapterSide& operator=(const AdapterSide&) = delete;

    DeviceKind kind() const { return kind_; }
    int tty() const { return tty_; }
    // Output report payload as the host sent it: its data bytes go to the serial side.
    void Output(const std::uint8_t* data, std::size_t length);
    // An input report payload from what the serial side has ready, if anything.
    std::optional<Bytes> Input();
    const Bytes& feature() const { return feature_; }
    void SetFeature(const std::uint8_t* data, std::size_t length);

private:
    void WriteSerial(const std::uint8_t* data, std::size_t count);

    DeviceKind kind_;
    int tty_ = -1;
    Bytes feature_;
};

} // namespace kovrin::usbemu
