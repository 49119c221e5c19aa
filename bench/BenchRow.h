#pragma once
// One way of reaching the simulated switch in the transfer benchmark: how kovrin-cli is
// pointed at it, and the time the transfers should take on that path.
#include <functional>
#include <string>
#include <vector>

namespace kovrin::bench {

struct BenchLink {
    std::string port;                   // kovrin-cli --port
    std::vector<std::string> extraEnv;  // "NAME=value" for kovrin-cli
};

struct BenchRow {
    std::string name;
    // Given the simulator's pty path.
    std::function<BenchLink(const std::string& simPath)> link;
    double downloadReference;  // seconds the download should take
    double uploadReference;    // seconds the upload should take, pauses included
    std::string reference;     // what the references are, for the printout
};

// Line time of `bytes` at 1200 baud 8N1.
constexpr double LineSeconds(int bytes) { return bytes * 10 / 1200.0; }

// 18 requests and answers: 12+68, 12+34 and 16 x (16+16) bytes.
constexpr int kDownloadBytes = 638;
// 16 x (20+12) bytes, and a 750 ms pause before each request.
constexpr int kUploadBytes = 512;
constexpr double kUploadPauses = 16 * 0.750;

// The USB adapters carry four request bytes per report and pause 100 ms after each.
constexpr double kReportSeconds = 0.100;
constexpr int ReportsFor(int frameBytes) { return (frameBytes + 3) / 4; }

// Shortest time one exchange over USB can take: the request's reports with their pauses,
// except that the switch starts answering after the last report, so the answer's line
// time and the last pause run side by side.
constexpr double UsbExchangeFloor(int requestBytes, int answerBytes)
{
    const double answer = LineSeconds(answerBytes);
    return (ReportsFor(requestBytes) - 1) * kReportSeconds + (answer > kReportSeconds ? answer : kReportSeconds);
}

// "GI", "GN", then "GM" for words 0..15.
constexpr double kUsbDownloadFloor =
    UsbExchangeFloor(12, 68) + UsbExchangeFloor(12, 34) + 16 * UsbExchangeFloor(16, 16);
// Sixteen "SM", each after its 750 ms pause.
constexpr double kUsbUploadFloor = kUploadPauses + 16 * UsbExchangeFloor(20, 12);

// Rows over the USB adapter (usb_rows.cpp).
std::vector<BenchRow> UsbRows();

} // namespace kovrin::bench
