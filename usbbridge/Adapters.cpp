#include "Adapters.h"

#include <algorithm>

namespace ubrix {

std::optional<AdapterInfo> findAdapter(std::uint16_t vendorId, std::uint16_t productId) {
    for (const auto& a : kAdapters)
        if (a.vendorId == vendorId && a.productId == productId) return a;
    return std::nullopt;
}

const AdapterInfo& adapterInfo(AdapterKind kind) {
    return kAdapters[static_cast<std::size_t>(kind)];
}

std::size_t encodeOutputReport(AdapterKind kind, std::span<const std::uint8_t, kBytesPerStep> data,
                               std::array<std::uint8_t, kMaxReportLength>& report) {
    report.fill(0);
    if (kind == AdapterKind::Plain) {
        std::copy(data.begin(), data.end(), report.begin() + 1);
    } else {
        report[1] = 0x30 | kBytesPerStep;
        std::copy(data.begin(), data.end(), report.begin() + 2);
    }
    return adapterInfo(kind).outputReportLength;
}

std::size_t decodeInputReport(AdapterKind kind, std::span<const std::uint8_t> report, std::uint8_t* out) {
    std::size_t first = 1;
    std::size_t count = 4;
    if (kind == AdapterKind::SerialBridge) {
        first = 2;
        count = report.size() > 1 ? (report[1] & 0x07) : 0;
    }
    std::size_t taken = 0;
    for (std::size_t i = first; i < first + count && i < report.size(); ++i) {
        if (report[i] == 0) break;
        out[taken++] = report[i];
    }
    return taken;
}

} // namespace ubrix
