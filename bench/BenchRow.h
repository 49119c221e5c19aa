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

// Rows over the USB adapter (usb_rows.cpp).
std::vector<BenchRow> UsbRows();

} // namespace kovrin::bench
