#pragma once
// The two USB adapters the bridge drives, and how their reports carry data bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace ubrix {

enum class AdapterKind : std::uint8_t { Plain = 0, SerialBridge = 1 };

struct AdapterInfo {
    AdapterKind kind;
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::uint16_t inputReportLength;
    std::uint16_t outputReportLength;
    std::uint16_t featureReportLength;
    unsigned long inputBuffers;
};

inline constexpr std::array<AdapterInfo, 2> kAdapters{{
    {AdapterKind::Plain, 0x0A6D, 0x0005, 5, 5, 5, 20},
    {AdapterKind::SerialBridge, 0x04B4, 0x5500, 9, 9, 6, 132},
}};

// Largest report of either kind.
inline constexpr std::size_t kMaxReportLength = 9;

// Data bytes per output report.
inline constexpr std::size_t kBytesPerStep = 4;

// Serial-bridge feature report: report id, 1200 baud little-endian, character format.
inline constexpr std::array<std::uint8_t, 6> kSerialParameterReport{0x00, 0xB0, 0x04, 0x00, 0x00, 0x03};

std::optional<AdapterInfo> findAdapter(std::uint16_t vendorId, std::uint16_t productId);
const AdapterInfo& adapterInfo(AdapterKind kind);

// Output report for four data bytes; returns the number of bytes to write.
std::size_t encodeOutputReport(AdapterKind kind, std::span<const std::uint8_t, kBytesPerStep> data,
                               std::array<std::uint8_t, kMaxReportLength>& report);

// Data bytes carried by an input report, up to the first zero byte. `out` must hold 7.
std::size_t decodeInputReport(AdapterKind kind, std::span<const std::uint8_t> report, std::uint8_t* out);

} // namespace ubrix
