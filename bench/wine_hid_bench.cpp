// kovrin-cli.exe's download under Wine through ubrix.dll and Wine's HID bus, against the
// adapters emulated as hidraw nodes, beside the Linux build's through the usbfs
// emulation: wall time against the pacing floor and the median step between output
// reports. Figures only. Runs under umockdev-wrapper with KOVRIN_WINE, KOVRIN_WINESERVER,
// KOVRIN_WINE_BIN and WINEPREFIX set (the `bench-wine` target sets them but the prefix);
// it starts and ends the prefix's Wine server itself.
#include "BenchRow.h"
#include "MedianStep.h"

#include "tests/usbemu/EmulatedAdapter.h"
#include "tests/usbemu/HidrawAdapter.h"
#include "tools/ats-sim/harness/SimProcess.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

namespace {

using namespace kovrin;
using namespace kovrin::bench;
using kovrin::usbemu::DeviceKind;

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

sim::ChildProcess::Launch Program(std::vector<std::string> argv)
{
    sim::ChildProcess::Launch launch;
    launch.argv = std::move(argv);
    return launch;
}

struct Row {
    bool ok = false;
    double wall = 0;
    double stepMs = 0;
};

void Print(const char* build, DeviceKind kind, const Row& row)
{
    std::printf("%-22s %-14s %8.3f %9.4f %9.1f%s\n", build, kind == DeviceKind::Plain ? "plain" : "serial bridge",
                row.wall, row.wall / bench::kUsbDownloadFloor, row.stepMs, row.ok ? "" : "  (failed)");
    std::fflush(stdout);
}

template <typename Plug>
Row Download(const std::vector<std::string>& argv, Plug plug)
{
    std::string error;
    std::optional<sim::SimProcess> simulator = sim::SimProcess::Start({"--log", "/dev/null"}, error);
    if (!simulator) return {};
    auto seen = plug(simulator->path());
    const sim::RunResult r = sim::RunProgram(Program(argv), sim::Millis(180000));
    return {!r.timedOut && r.status.code == 0, std::chrono::duration<double>(r.wall).count(), MedianStepMs(seen().outputTimes)};
}

} // namespace

int main()
{
    if (Env("KOVRIN_WINE").empty() || Env("KOVRIN_WINE_BIN").empty() || Env("WINEPREFIX").empty()) {
        std::fprintf(stderr, "wine_hid_bench: set KOVRIN_WINE, KOVRIN_WINESERVER, KOVRIN_WINE_BIN and WINEPREFIX\n");
        return 1;
    }
    const std::string out = (std::filesystem::temp_directory_path() / "kovrin-wine-bench.kvnf").string();
    std::printf("download through an emulated USB adapter, paced ats-sim; wall time includes starting the program\n");
    std::printf("pacing floor: 100 ms per 4-byte report + answer line time at 1200 baud = %.3f s\n",
                bench::kUsbDownloadFloor);
    std::printf("%-22s %-14s %8s %9s %9s\n", "build", "adapter", "wall s", "ratio", "step ms");
    bool ok = true;
    const DeviceKind kinds[] = {DeviceKind::Plain, DeviceKind::SerialBridge};
    for (const DeviceKind kind : kinds) {
        usbemu::Testbed testbed;
        if (!usbemu::Testbed::Active()) {
            std::fprintf(stderr, "wine_hid_bench: run it under umockdev-wrapper\n");
            return 1;
        }
        const Row row = Download({sim::ProgramPath("kovrin-cli"), "download", "--port", "USB", out, "--force"},
                                 [&](const std::string& tty) {
                                     usbemu::Device& d = testbed.Plug(kind, tty);
                                     return [&d] { return d.Seen(); };
                                 });
        ok = ok && row.ok;
        Print("Linux (usbfs)", kind, row);
    }
    usbemu::HidrawTestbed testbed;
    if (sim::RunProgram(Program({Env("KOVRIN_WINE"), "wineboot"}), sim::Millis(180000)).status.code != 0) {
        std::fprintf(stderr, "wine_hid_bench: wineboot failed\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));
    for (const DeviceKind kind : kinds) {
        usbemu::HidrawDevice* device = nullptr;
        const Row row = Download({Env("KOVRIN_WINE"), Env("KOVRIN_WINE_BIN") + "/kovrin-cli.exe", "download", "--port",
                                  "USB", out, "--force"},
                                 [&](const std::string& tty) {
                                     device = &testbed.Plug(kind, tty);
                                     std::this_thread::sleep_for(std::chrono::seconds(2));
                                     return [device] { return device->Seen(); };
                                 });
        testbed.Unplug(*device);
        ok = ok && row.ok;
        Print("Windows (Wine hidraw)", kind, row);
    }
    sim::RunProgram(Program({Env("KOVRIN_WINESERVER"), "-k"}), sim::Millis(60000));
    std::filesystem::remove(out);
    return ok ? 0 : 1;
}
