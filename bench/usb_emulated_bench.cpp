// The production bridge library over USB adapters emulated at usbfs, per adapter kind:
// kovrin-cli's download wall time against the pacing floor, and the client's CPU while
// it waits on an adapter whose reports stop coming. Figures only; run under
// umockdev-wrapper (the `bench` target does).
#include "BenchRow.h"
#include "MedianStep.h"

#include "tests/usbemu/EmulatedAdapter.h"
#include "tools/ats-sim/harness/SimProcess.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <optional>
#include <sys/resource.h>

namespace {

using namespace kovrin;
using namespace kovrin::bench;
using kovrin::usbemu::DeviceKind;

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }
double CpuSeconds(const rusage& u) { return Seconds(u.ru_utime) + Seconds(u.ru_stime); }
double SelfCpu()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return CpuSeconds(u);
}

// CPU time all threads of a process have run, from the scheduler's nanosecond counts.
double ProcessCpu(pid_t pid)
{
    double total = 0;
    std::error_code ignored;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ignored)) {
        std::ifstream in(task.path() / "schedstat");
        unsigned long long ran = 0;
        if (in >> ran) total += static_cast<double>(ran) / 1e9;
    }
    return total;
}

// A process's CPU share (percent of one core) over the next two seconds.
double CpuShare(pid_t pid)
{
    const double before = ProcessCpu(pid);
    const auto start = usbemu::Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    const double used = ProcessCpu(pid) - before;
    return 100.0 * used / std::chrono::duration<double>(usbemu::Clock::now() - start).count();
}

struct Waiting {
    double cpuShare = -1;   // percent of one core
    double emptyReaps = 0;  // per second
};

sim::ChildProcess::Launch DownloadLaunch(const std::string& out, std::vector<std::string> env = {})
{
    sim::ChildProcess::Launch launch;
    launch.argv = {sim::ProgramPath("kovrin-cli"), "download", "--port", "USB", out, "--force"};
    launch.extraEnv = std::move(env);
    return launch;
}

// The client's CPU while it waits for an answer that never comes, measured from when the
// adapter has taken the whole first request.
Waiting WaitingOnEmulated(DeviceKind kind, const std::string& out)
{
    usbemu::Testbed testbed;
    std::string error;
    std::optional<sim::SimProcess> simulator = sim::SimProcess::Start({"--log", "/dev/null"}, error);
    if (!simulator) return {};
    usbemu::Device& adapter = testbed.Plug(kind, simulator->path(), {.silent = true});
    std::optional<sim::ChildProcess> cli = sim::ChildProcess::Start(DownloadLaunch(out), error);
    if (!cli) return {};
    for (const auto end = usbemu::Clock::now() + std::chrono::seconds(10);
         adapter.Seen().outputs.size() < 3 && usbemu::Clock::now() < end;)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const long reapsBefore = adapter.Seen().emptyReaps;
    const auto start = usbemu::Clock::now();
    Waiting w;
    w.cpuShare = CpuShare(cli->pid());
    const double wall = std::chrono::duration<double>(usbemu::Clock::now() - start).count();
    w.emptyReaps = static_cast<double>(adapter.Seen().emptyReaps - reapsBefore) / wall;
    cli->wait(sim::Millis(30000));
    return w;
}

// The same wait over the simulated-adapter build of the library and a mute switch: the
// program's and the library's own cost, without the emulation's reap loop.
double WaitingOnSimulated(DeviceKind kind, const std::string& out)
{
    std::string error;
    std::optional<sim::SimProcess> simulator = sim::SimProcess::Start({"--mute", "--log", "/dev/null"}, error);
    if (!simulator) return -1;
    std::optional<sim::ChildProcess> cli = sim::ChildProcess::Start(
        DownloadLaunch(out, {"KOVRIN_UBRIX=" + sim::ProgramPath("sim/libubrix.so"), "UBRIX_SIM_TTY=" + simulator->path(),
                       std::string("UBRIX_SIM_KIND=") + (kind == DeviceKind::Plain ? "plain" : "bridge")}),
        error);
    if (!cli) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const double share = CpuShare(cli->pid());
    cli->wait(sim::Millis(30000));
    return share;
}

struct Run {
    bool ok = false;
    double wall = 0;
    double cpu = 0;
    double emulatorCpu = 0;  // this process: the emulated adapter's side
    double medianStepMs = 0; // between consecutive output reports as the adapter took them
};

// One kovrin-cli download through a freshly plugged adapter in front of a paced ats-sim.
Run TimedDownload(DeviceKind kind, usbemu::Behaviour behaviour, const std::string& out)
{
    usbemu::Testbed testbed;
    std::string error;
    std::optional<sim::SimProcess> simulator = sim::SimProcess::Start({"--log", "/dev/null"}, error);
    if (!simulator) {
        std::fprintf(stderr, "usb_emulated_bench: %s\n", error.c_str());
        return {};
    }
    usbemu::Device& adapter = testbed.Plug(kind, simulator->path(), behaviour);
    const double before = SelfCpu();
    const sim::RunResult r = sim::RunProgram(DownloadLaunch(out), sim::Millis(120000));
    Run run;
    run.ok = !r.timedOut && r.status.code == 0;
    run.wall = std::chrono::duration<double>(r.wall).count();
    run.cpu = CpuSeconds(r.usage);
    run.emulatorCpu = SelfCpu() - before;
    run.medianStepMs = MedianStepMs(adapter.Seen().outputTimes);
    return run;
}

const char* Name(DeviceKind kind) { return kind == DeviceKind::Plain ? "plain" : "serial bridge"; }

} // namespace

int main()
{
    {
        usbemu::Testbed probe;
        if (!usbemu::Testbed::Active()) {
            std::fprintf(stderr, "usb_emulated_bench: run it under umockdev-wrapper\n");
            return 1;
        }
    }
    const std::string out = (std::filesystem::temp_directory_path() / "kovrin-usb-bench.kvnf").string();

    std::printf("kovrin-cli download through an emulated USB adapter and the production libubrix.so, "
                "paced ats-sim; wall time includes starting kovrin-cli\n");
    std::printf("pacing floor: 100 ms per 4-byte report + answer line time at 1200 baud = %.3f s\n", kUsbDownloadFloor);
    std::printf("%-14s %-18s %8s %9s %11s %9s %13s %9s\n", "adapter", "case", "wall s", "ratio", "client CPU",
                "CPU/wall", "emulator CPU", "step ms");
    std::vector<Waiting> waiting;
    std::vector<double> simulated;
    bool ok = true;
    for (const DeviceKind kind : {DeviceKind::Plain, DeviceKind::SerialBridge}) {
        const Run down = TimedDownload(kind, {}, out);
        ok = ok && down.ok;
        std::printf("%-14s %-18s %8.3f %9.4f %10.4fs %8.3f%% %12.4fs %9.1f%s\n", Name(kind), "download", down.wall,
                    down.wall / kUsbDownloadFloor, down.cpu, 100.0 * down.cpu / down.wall, down.emulatorCpu,
                    down.medianStepMs, down.ok ? "" : "  (failed)");
        // One request, then the client's bounded wait for an answer that never comes.
        const Run silent = TimedDownload(kind, {.silent = true}, out);
        std::printf("%-14s %-18s %8.3f %9s %10.4fs %8.3f%% %12.4fs%s\n", Name(kind), "silent adapter", silent.wall,
                    "-", silent.cpu, 100.0 * silent.cpu / silent.wall, silent.emulatorCpu,
                    silent.ok ? "  (unexpectedly succeeded)" : "");
        std::fflush(stdout);
        waiting.push_back(WaitingOnEmulated(kind, out));
        simulated.push_back(WaitingOnSimulated(kind, out));
    }
    std::printf("client CPU while it waits on a silent adapter (2 s window, all threads): plain %.3f%%, "
                "serial bridge %.3f%%\n",
                waiting[0].cpuShare, waiting[1].cpuShare);
    std::printf("  of it, libusb reaping the emulated node (always ready, unlike a real one): %.0f and %.0f "
                "empty reaps/s\n",
                waiting[0].emptyReaps, waiting[1].emptyReaps);
    std::printf("the same wait over the simulated-adapter library (no usbfs emulation): plain %.3f%%, "
                "serial bridge %.3f%%\n",
                simulated[0], simulated[1]);
    std::filesystem::remove(out);
    return ok ? 0 : 1;
}
