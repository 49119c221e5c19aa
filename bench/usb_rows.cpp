// Benchmark rows over the USB adapter: the simulated-adapter build of the bridge library,
// one row per adapter kind, bridged to the simulator's pty.
#include "BenchRow.h"

#include "tools/ats-sim/harness/ChildProcess.h"

#include <cstdio>

namespace kovrin::bench {

namespace {

BenchRow Row(const char* kind)
{
    char reference[200];
    std::snprintf(reference, sizeof reference,
                  "USB floor: 100 ms per 4-byte report + answer line time at 1200 baud "
                  "(download %.3f s; upload %.3f s incl. 16 x 750 ms)",
                  kUsbDownloadFloor, kUsbUploadFloor);
    return BenchRow{
        std::string("USB ") + kind,
        [kind = std::string(kind)](const std::string& simPath) {
            return BenchLink{"USB",
                             {"KOVRIN_UBRIX=" + sim::ProgramPath("sim/libubrix.so"), "UBRIX_SIM_TTY=" + simPath,
                              "UBRIX_SIM_KIND=" + kind}};
        },
        kUsbDownloadFloor,
        kUsbUploadFloor,
        reference,
    };
}

} // namespace

std::vector<BenchRow> UsbRows()
{
    return {Row("plain"), Row("bridge")};
}

} // namespace kovrin::bench
