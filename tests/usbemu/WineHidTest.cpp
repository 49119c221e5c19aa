// ubrix.dll and kovrin-cli.exe under Wine, through Wine's HID bus, against adapters
// emulated as hidraw nodes with ats-sim behind them. This program starts the prefix's
// Wine server itself, under umockdev's preload, so that Wine's device drivers inherit
// the emulation; no other server may run on the prefix meanwhile.
// Environment: KOVRIN_WINE (the 64-bit loader), KOVRIN_WINESERVER, WINEPREFIX (its
// winebus with "Enable SDL" = 0), KOVRIN_WINE_BIN (kovrin-cli.exe and ubrix.dll).
#include "HidrawAdapter.h"

#include "tools/ats-sim/harness/SimProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

namespace kovrin::usbemu {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr std::size_t kDownloadReports = 3 + 3 + 16 * 4;  // GI, GN, 16 x GM
const std::vector<DeviceKind> kAdapters = {DeviceKind::Plain, DeviceKind::SerialBridge};
const std::vector<std::string> kSwitch = {"--fast", "--code", "WINHID000000042", "--model", "MODEL H",
                                          "--word", "0=185", "--word", "15=0x1234"};

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

sim::ChildProcess::Launch Program(std::vector<std::string> argv)
{
    sim::ChildProcess::Launch launch;
    launch.argv = std::move(argv);
    return launch;
}

std::string AfterFirstLine(const std::string& text) { return text.substr(std::min(text.find('\n'), text.size())); }

class WineHid : public testing::TestWithParam<DeviceKind> {
protected:
    static void SetUpTestSuite()
    {
        if (Env("KOVRIN_WINE").empty() || Env("KOVRIN_WINE_BIN").empty() || Env("WINEPREFIX").empty()) return;
        testbed = new HidrawTestbed();
        if (!Testbed::Active()) return;
        ready = StartSession();
        for (int again = 0; again < 2 && !ready; ++again)
            ready = NewSession("Windows programs never listed the probe the bus took");
    }
    // The server, started here, carries the preload and the testbed's folder to the device
    // drivers it starts. It stays between programs: else it and the HID bus end with each
    // program, and the next one's bus meets the adapters only after the program has looked.
    // The boot's output, which the session's services inherit, goes to a file: a pipe would
    // be gone with the boot.
    static bool StartSession()
    {
        const sim::RunResult server = sim::RunProgram(Program({Env("KOVRIN_WINESERVER"), "-p"}), 60s);
        const std::string log = testing::TempDir() + "winehid-session.log";
        const sim::RunResult boot = sim::RunProgram(
            Program({"/bin/sh", "-c", "exec \"$0\" wineboot >>\"$1\" 2>&1", Env("KOVRIN_WINE"), log}), 180s);
        return server.status.code == 0 && boot.status.code == 0 && BusWatches();
    }
    // Now and then Wine's device host ends within a session (the bus then lists nothing it
    // is given, and Windows programs not even Wine's own devices). A test whose adapter
    // meets that starts a new session before its program runs: the program is not retried.
    static bool NewSession(const char* why)
    {
        const std::string log = ReadAll(testing::TempDir() + "winehid-session.log");
        std::cerr << why << ": the Wine session starts anew; the end of its log:\n"
                  << log.substr(log.size() > 2000 ? log.size() - 2000 : 0) << "\n";
        StopServer();
        return StartSession();
    }
    static void StopServer()
    {
        sim::RunProgram(Program({Env("KOVRIN_WINESERVER"), "-k"}), 60s);
        sim::RunProgram(Program({Env("KOVRIN_WINESERVER"), "-w"}), 60s);
    }
    // The HID bus may still be starting when the boot returns. A probe with no switch behind
    // it shows that the bus takes devices and Windows programs find them; it is plugged
    // again when its descriptor is not read within 20 s.
    static bool BusWatches()
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            HidrawDevice& probe = testbed->Plug(DeviceKind::Plain);
            const bool built = Built(probe, 20s);
            const bool listed = built && Listed({DeviceKind::Plain}, false, 30);
            testbed->Unplug(probe);
            if (built) return listed && Listed(kAdapters, true, 30);
        }
        return false;
    }
    // The bus reads a device's report descriptor as it builds the HID device that programs find.
    static bool Built(const HidrawDevice& device, std::chrono::seconds within)
    {
        for (const auto end = Clock::now() + within; Clock::now() < end; std::this_thread::sleep_for(20ms))
            if (device.Seen().descriptorReads > 0)
                return true;
        return false;
    }
    static void TearDownTestSuite()
    {
        if (testbed && Testbed::Active()) StopServer();
        delete testbed;
        testbed = nullptr;
    }
    void SetUp() override
    {
        if (!testbed) GTEST_SKIP() << "needs KOVRIN_WINE, KOVRIN_WINE_BIN and WINEPREFIX";
        if (!Testbed::Active()) GTEST_SKIP() << "needs umockdev's preload library (umockdev-wrapper)";
        ASSERT_TRUE(ready) << "the Wine server or wineboot failed, or no Windows program listed a probe the bus took (three sessions)";
        work = fs::path(testing::TempDir()) / ("winehid-" + std::to_string(::getpid()));
        fs::create_directories(work);
    }
    // The library takes the first adapter it finds: none is left for the next test (whose
    // Start waits until Windows programs no longer list them).
    void TearDown() override
    {
        for (HidrawDevice* device : plugged) testbed->Unplug(*device);
    }

    // The simulator's request log goes to a file in the test's folder, so that a failure's
    // own lines lead the test's output.
    HidrawDevice& Start(std::vector<std::string> options = kSwitch, Behaviour behaviour = {})
    {
        std::string error;
        const fs::path log = work / ("sim-" + std::to_string(++simulators) + ".log");
        auto started = sim::SimProcess::Start(options, error, log.string());
        if (!started) throw std::runtime_error(error);
        simulator.emplace(std::move(*started));
        // The adapter pulled before this one must be gone for Windows programs first: else
        // the program under test may find that one.
        if (!Listed(kAdapters, true, 30) && !NewSession("Windows programs still list an adapter pulled 30 s ago"))
            throw std::runtime_error("no Wine session whose bus takes adapters");
        // The program under test runs only once Windows programs can open the adapter.
        for (int attempt = 0; attempt < 3; ++attempt) {
            HidrawDevice& device = testbed->Plug(GetParam(), simulator->path(), behaviour);
            plugged.push_back(&device);
            const bool built = Built(device, 20s);
            if (built && Listed({GetParam()}, false, 30)) return device;
            testbed->Unplug(device);
            if (!NewSession(built ? "Windows programs did not find the adapter the bus took"
                                  : "the bus did not read the adapter's descriptor"))
                break;
        }
        throw std::runtime_error("Wine's HID bus did not take the plugged adapter in three sessions");
    }
    // Whether Windows programs can open an adapter of one of these kinds (gone: whether none
    // is listed), asked until so or `seconds` have passed.
    static bool Listed(const std::vector<DeviceKind>& kinds, bool gone, int seconds)
    {
        std::vector<std::string> argv{Env("KOVRIN_WINE"), Env("KOVRIN_WINE_BIN") + "/hid_present.exe"};
        if (gone) argv.push_back("--gone");
        argv.push_back(std::to_string(seconds));
        for (const DeviceKind kind : kinds) {
            char ids[16];
            std::snprintf(ids, sizeof ids, "%04x:%04x", Info(kind).vendorId, Info(kind).productId);
            argv.push_back(ids);
        }
        const sim::RunResult run = sim::RunProgram(Program(std::move(argv)), std::chrono::seconds(seconds + 30));
        if (run.status.code != 0) std::cerr << run.out << run.err;
        return run.status.code == 0;
    }

    sim::RunResult Cli(std::vector<std::string> args, std::chrono::seconds timeout = 120s)
    {
        std::vector<std::string> argv{Env("KOVRIN_WINE"), Env("KOVRIN_WINE_BIN") + "/kovrin-cli.exe"};
        argv.insert(argv.end(), args.begin(), args.end());
        return sim::RunProgram(Program(std::move(argv)), timeout);
    }
    std::string File(const char* name) const
    {
        return (work / ((GetParam() == DeviceKind::Plain ? "plain-" : "bridge-") + std::string(name))).string();
    }

    static inline HidrawTestbed* testbed = nullptr;
    static inline bool ready = false;
    fs::path work;
    int simulators = 0;
    std::vector<HidrawDevice*> plugged;
    std::optional<sim::SimProcess> simulator;
};

// The download through ubrix.dll matches the Linux build's over the serial line (the date
// line aside); the adapter saw the set-up, report layouts and pacing the library owes it,
// and its trace says so; the edited words go back with --verify.
TEST_P(WineHid, DownloadAndUploadThroughTheLibrary)
{
    const bool bridge = GetParam() == DeviceKind::SerialBridge;
    HidrawDevice& adapter = Start();
    const std::string win = File("win.kvnf");
    // The library's trace file (appended to by every run) as the system's shared folder holds it.
    const fs::path trace = fs::path(Env("WINEPREFIX")) / "drive_c/ProgramData/Brisel/debugusbkovrin.log";
    fs::remove(trace);
    sim::RunResult run = Cli({"download", "--port", "USB", win, "--force", "--debug"});
    ASSERT_EQ(run.status.code, 0) << run.out << run.err;
    const std::string traced = ReadAll(trace);
    EXPECT_NE(traced.find(std::string(bridge ? "1204" : "2669") + " ... OK"), std::string::npos) << traced;
    const std::string written = bridge ? "9" : "5";
    std::size_t at = traced.find("\r\nUSB: Send_USB_Packet: WriteFile [3] ... Step:");
    for (const std::string step : {"0 Writed:", "1 Writed:", "2 Writed:"}) {
        at = traced.find(step + written + " ", at);
        EXPECT_NE(at, std::string::npos) << step << "\n" << traced;
    }

    std::string error;
    auto reference = sim::SimProcess::Start(kSwitch, error);
    ASSERT_TRUE(reference) << error;
    const std::string linux = File("linux.kvnf");
    run = sim::RunProgram(Program({sim::ProgramPath("kovrin-cli"), "download", "--port", reference->path(), linux, "--force"}), 60s);
    ASSERT_EQ(run.status.code, 0) << run.err;
    const std::string a = ReadAll(win), b = ReadAll(linux);
    EXPECT_EQ(a.rfind("Date: ", 0), 0u);
    EXPECT_EQ(AfterFirstLine(a), AfterFirstLine(b));

    const Observed seen = adapter.Seen();
    if (bridge) {
        EXPECT_EQ(seen.controls, (std::vector<std::string>{"GET_REPORT feature", "SET_REPORT feature b0 04 00 00 03",
                                                           "GET_REPORT feature"}));
    } else {
        EXPECT_TRUE(seen.controls.empty());
    }
    ASSERT_EQ(seen.outputs.size(), kDownloadReports);
    for (const Bytes& report : seen.outputs) {
        ASSERT_EQ(report.size(), bridge ? 8u : 4u);
        if (bridge) {
            EXPECT_EQ(report[0], 0x34);
        }
    }
    // Never faster than one report per 100 ms step (how much slower is bench-wine's business).
    std::vector<long long> steps;
    for (std::size_t i = 1; i < seen.outputTimes.size(); ++i)
        steps.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(seen.outputTimes[i] - seen.outputTimes[i - 1]).count());
    std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
    EXPECT_GE(steps[steps.size() / 2], 100);

    const std::string edited = File("edited.kvnf");
    ASSERT_EQ(sim::RunProgram(Program({sim::ProgramPath("kovrin-cli"), "edit", linux, edited, "--set", "OverloadThreshold=110"}), 30s)
                  .status.code,
              0);
    run = Cli({"upload", "--port", "USB", edited, "--verify"}, 180s);
    EXPECT_EQ(run.status.code, 0) << run.out << run.err;
}

// A silent adapter ends the download with the link's message in bounded time; one
// unplugged in the middle does too, and once it is back a download works again.
TEST_P(WineHid, SilentAndUnpluggedAdaptersEndTheDownload)
{
    HidrawDevice& silent = Start(kSwitch, {.silent = true});
    sim::RunResult run = Cli({"download", "--port", "USB", File("silent.kvnf"), "--force"}, 60s);
    EXPECT_FALSE(run.timedOut);
    EXPECT_NE(run.status.code, 0);
    EXPECT_NE(run.err.find("Error in ReadBuffer serial port"), std::string::npos) << run.out << run.err;
    testbed->Unplug(silent);

    HidrawDevice& adapter = Start();
    std::string error;
    auto cli = sim::ChildProcess::Start(Program({Env("KOVRIN_WINE"), Env("KOVRIN_WINE_BIN") + "/kovrin-cli.exe",
                                                 "download", "--port", "USB", File("cut.kvnf"), "--force"}),
                                        error);
    ASSERT_TRUE(cli) << error;
    std::optional<sim::ExitStatus> status;
    for (const auto end = Clock::now() + 60s; adapter.Seen().outputs.size() < 20 && Clock::now() < end && !status;)
        status = cli->wait(10ms);
    ASSERT_FALSE(status) << "kovrin-cli.exe ended before the adapter was pulled\n" << cli->out() << cli->err();
    ASSERT_GE(adapter.Seen().outputs.size(), 20u) << "the download never got going";
    testbed->Unplug(adapter);
    status = cli->wait(60s);
    ASSERT_TRUE(status) << "kovrin-cli.exe hangs";
    EXPECT_NE(status->code, 0);
    EXPECT_NE(cli->err().find("Error in ReadBuffer serial port"), std::string::npos) << cli->out() << cli->err();

    Start();
    run = Cli({"download", "--port", "USB", File("again.kvnf"), "--force"});
    EXPECT_EQ(run.status.code, 0) << run.out << run.err;
}

// The window's Win32 view connects over USB and shows what it downloaded (once: the
// library is the same for both kinds). Needs the window tests built and a display.
TEST_P(WineHid, WindowDownloadsOverUsb)
{
    const std::string tests = Env("KOVRIN_WINE_BIN") + "/app_win32_tests.exe";
    if (GetParam() != DeviceKind::Plain || !fs::exists(tests) || Env("DISPLAY").empty())
        GTEST_SKIP() << "plain adapter, app_win32_tests.exe and a display only";
    Start({"--fast", "--word", "0=185", "--word", "2=260", "--word", "14=95"});
    sim::ChildProcess::Launch launch = Program({Env("KOVRIN_WINE"), tests, "--gtest_filter=*OverUsb*"});
    launch.extraEnv = {"KOVRIN_SIM_ON_USB=1"};
    const sim::RunResult run = sim::RunProgram(launch, 120s);
    EXPECT_EQ(run.status.code, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("[  PASSED  ] 1 test"), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Kinds, WineHid, testing::Values(DeviceKind::Plain, DeviceKind::SerialBridge),
                         [](const auto& info) { return info.param == DeviceKind::Plain ? "Plain" : "SerialBridge"; });

} // namespace
} // namespace kovrin::usbemu
