// Benchmark rows over the USB adapter: the simulated-adapter build of the bridge library,
// one row per adapter kind, bridged to the simulator's pty.
#include "BenchRow.h"

#include "tools/ats-sim/harness/ChildProcess.h"

#include <algorithm>
#include <cstdio>

namespace kovrin::bench {

namespace {

// The library sends four bytes per report and pauses 100 ms after each.
constexpr double kReportSeconds = 0.100;
constexpr int ReportsFor(int frameBytes) { return (frameBytes + 3) / 4; }

// Shortest time one exchange can take: the request's reports with their pauses, except
// that the switch starts answering after the last report, so the answer's line time and
// the last pause run side by side.
constexpr double ExchangeFloor(int requestBytes, int answerBytes)
{
    return (ReportsFor(requestBytes) - 1) * kReportSeconds + std::max(kReportSeconds, LineSeconds(answerBytes));
}

// "GI", "GN", then "GM" for words 0..15.
constexpr double kDownloadFloor = ExchangeFloor(12, 68) + ExchangeFloor(12, 34) + 16 * ExchangeFloor(16, 16);
// Sixteen "SM", each after its 750 ms pause.
constexpr double kUploadFloor = kUploadPauses + 16 * ExchangeFloor(20, 12);

BenchRow Row(const char* kind)
{
    char reference[200];
    std::snprintf(reference, sizeof reference,
                  "USB floor: 100 ms per 4-byte report + answer line time at 1200 baud "
                  "(download %.3f s; upload %.3f s incl. 16 x 750 ms)",
                  kDownloadFloor, kUploadFloor);
    return BenchRow{
        std::string("USB ") + kind,
        [kind = std::string(kind)](const std::string& simPath) {
            return BenchLink{"USB",
                             {"KOVRIN_UBRIX=" + sim::ProgramPath("sim/libubrix.so"), "UBRIX_SIM_TTY=" + simPath,
                              "UBRIX_SIM_KIND=" + kind}};
        },
        kDownloadFloor,
        kUploadFloor,
        reference,
    };
}

} // namespace

std::vector<BenchRow> UsbRows()
{
    return {Row("plain"), Row("bridge")};
}

} // namespace kovrin::bench
