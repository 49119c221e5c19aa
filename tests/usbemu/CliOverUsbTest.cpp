// kovrin-cli over USB with the production bridge library from its own folder, through an
// emulated adapter of each kind, to ats-sim: whole transfers and the adapter's faults.
#include "EmulatedAdapter.h"

#include "config/ConfigFile.h"
#include "config/ConfigRecord.h"
#include "tools/ats-sim/harness/SimProcess.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

namespace kovrin::usbemu {
namespace {

using namespace std::chrono_literals;

constexpr const char* kReadBufferError = "Error in ReadBuffer serial port";

// Output reports per transfer: four request bytes each.
constexpr std::size_t kDownloadReports = 3 + 3 + 16 * 4;  // GI, GN, 16 x GM
constexpr std::size_t kUploadReports = 16 * 5;            // 16 x SM
constexpr std::size_t kVerifyReports = 16 * 4;            // the words read back

class CliOverUsb : public testing::TestWithParam<DeviceKind> {
protected:
    void SetUp() override
    {
        testbed.emplace();
        if (!Testbed::Active()) GTEST_SKIP() << "needs umockdev's preload library (umockdev-wrapper)";
    }
    void TearDown() override
    {
        simulator.reset();
        testbed.reset();
    }

    Device& Start(std::vector<std::string> options, Behaviour behaviour = {})
    {
        options.insert(options.begin(), "--fast");
        std::string error;
        auto started = sim::SimProcess::Start(options, error);
        if (!started) throw std::runtime_error(error);
        simulator.emplace(std::move(*started));
        return testbed->Plug(GetParam(), simulator->path(), behaviour);
    }

    // The program finds libubrix.so beside itself; the emulation reaches it through the
    // environment it inherits (preload library and testbed folder).
    static sim::ChildProcess::Launch Cli(std::vector<std::string> args)
    {
        sim::ChildProcess::Launch launch;
        launch.argv = {sim::ProgramPath("kovrin-cli")};
        launch.argv.insert(launch.argv.end(), args.begin(), args.end());
        return launch;
    }

    std::string File(const char* name) const
    {
        return testing::TempDir() + (GetParam() == DeviceKind::Plain ? "plain-" : "bridge-") + name;
    }

    std::optional<Testbed> testbed;
    std::optional<sim::SimProcess> simulator;
};

TEST_P(CliOverUsb, DownloadAndUploadWithVerify)
{
    const std::string saved = File("saved.kvnf");
    Device& adapter = Start({"--word", "5=0x0123", "--save", saved});

    const std::string down = File("down.kvnf");
    sim::RunResult run = sim::RunProgram(Cli({"download", "--port", "USB", down, "--force"}), 60s);
    ASSERT_EQ(run.status.code, 0) << run.err;
    ConfigRecord downloaded;
    ASSERT_EQ(ReadConfigFile(downloaded, down), ReadResult::Read);
    EXPECT_EQ(downloaded.word(5), 0x0123);
    EXPECT_EQ(adapter.Seen().outputs.size(), kDownloadReports);

    const std::string defaults = File("defaults.kvnf");
    ASSERT_EQ(sim::RunProgram(Cli({"defaults", defaults, "--force"}), 60s).status.code, 0);
    run = sim::RunProgram(Cli({"upload", "--port", "USB", defaults, "--verify"}), 90s);
    ASSERT_EQ(run.status.code, 0) << run.err;
    EXPECT_EQ(adapter.Seen().outputs.size(), kDownloadReports + kUploadReports + kVerifyReports);

    simulator->stop();
    ConfigRecord written, factory;
    ASSERT_EQ(ReadConfigFile(written, saved), ReadResult::Read);
    LoadFactoryDefaults(factory);
    for (int n = 0; n < kParameterWordCount; ++n)
        EXPECT_EQ(written.word(n), factory.word(n)) << "word " << n;
}

// Each fault ends the download with the link's message, in bounded time.
TEST_P(CliOverUsb, AdapterFaultsEndTheDownloadWithTheMessage)
{
    struct Case {
        const char* name;
        Behaviour behaviour;
        std::size_t unplugAfterReports;  // 0: stays plugged
    };
    const Case cases[] = {
        {"reports stop coming", {.silent = true}, 0},
        {"interface held by another program", {.claimBusy = true}, 0},
        {"unplugged in the middle", {}, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Device& adapter = Start({}, c.behaviour);
        std::string error;
        auto cli = sim::ChildProcess::Start(Cli({"download", "--port", "USB", File("never.kvnf"), "--force"}), error);
        ASSERT_TRUE(cli) << error;
        if (c.unplugAfterReports) {
            for (const auto end = Clock::now() + 30s;
                 adapter.Seen().outputs.size() < c.unplugAfterReports && Clock::now() < end;)
                std::this_thread::sleep_for(10ms);
            testbed->Unplug(adapter);
        }
        const std::optional<sim::ExitStatus> status = cli->wait(30s);
        ASSERT_TRUE(status) << "kovrin-cli hangs";
        EXPECT_NE(status->code, 0);
        EXPECT_NE(cli->err().find(kReadBufferError), std::string::npos) << cli->err();
        simulator.reset();
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, CliOverUsb, testing::Values(DeviceKind::Plain, DeviceKind::SerialBridge),
                         [](const auto& info) { return info.param == DeviceKind::Plain ? "Plain" : "SerialBridge"; });

} // namespace
} // namespace kovrin::usbemu
