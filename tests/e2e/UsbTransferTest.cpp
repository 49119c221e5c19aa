// kovrin-cli over USB: the program's USB client, the simulated-adapter build of the bridge
// library (both adapter kinds) and ats-sim on a pty, each a real process or thread.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/ConfigFile.h"
#include "config/ConfigRecord.h"
#include "platform/Folders.h"
#include "tools/ats-sim/harness/SimProcess.h"

namespace kovrin {
namespace {

using namespace std::chrono_literals;

std::string BinDir()
{
    const char* bin = std::getenv("KOVRIN_BIN_DIR");
    return bin != nullptr ? std::string(bin) + "/" : ProgramFolder();
}

class UsbTransfer : public ::testing::TestWithParam<const char*> {
protected:
    void StartSwitch(std::vector<std::string> options)
    {
        options.insert(options.begin(), "--fast");
        std::string error;
        auto started = sim::SimProcess::Start(options, error);
        ASSERT_TRUE(started) << error;
        simulator.emplace(std::move(*started));
    }

    sim::RunResult Cli(std::vector<std::string> args)
    {
        args.insert(args.begin(), sim::ProgramPath("kovrin-cli"));
        sim::ChildProcess::Launch launch;
        launch.argv = std::move(args);
        launch.extraEnv = {"KOVRIN_UBRIX=" + BinDir() + "sim/libubrix.so",
                         "UBRIX_SIM_TTY=" + simulator->path(), std::string("UBRIX_SIM_KIND=") + GetParam()};
        return sim::RunProgram(launch, 60s);
    }

    ConfigRecord SavedWords()
    {
        simulator->stop();
        ConfigRecord record;
        EXPECT_EQ(ReadConfigFile(record, saved), ReadResult::Read);
        return record;
    }

    static void ExpectSameParameters(const ConfigRecord& a, const ConfigRecord& b)
    {
        for (int n = 0; n < kParameterWordCount; ++n)
            EXPECT_EQ(a.word(n), b.word(n)) << "word " << n;
    }

    std::string File(const char* name) const { return dir + GetParam() + "-" + name; }

    const std::string dir = testing::TempDir();
    const std::string saved = File("saved.kvnf");
    std::optional<sim::SimProcess> simulator;
};

TEST_P(UsbTransfer, DownloadReadsTheSwitch)
{
    StartSwitch({"--word", "5=0x0123", "--save", saved});
    const std::string out = File("download.kvnf");
    const sim::RunResult run = Cli({"download", "--port", "USB", out, "--force"});
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.status.code, 0) << run.err;

    ConfigRecord downloaded;
    ASSERT_EQ(ReadConfigFile(downloaded, out), ReadResult::Read);
    EXPECT_EQ(downloaded.word(5), 0x0123);
    ExpectSameParameters(downloaded, SavedWords());
}

TEST_P(UsbTransfer, UploadWithVerifyWritesTheSwitch)
{
    const std::string in = File("defaults.kvnf");
    StartSwitch({"--word", "0=1", "--word", "9=2", "--save", saved});
    ASSERT_EQ(Cli({"defaults", in, "--force"}).status.code, 0);

    const sim::RunResult run = Cli({"upload", "--port", "USB", in, "--verify"});
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.status.code, 0) << run.err;

    ConfigRecord defaults;
    LoadFactoryDefaults(defaults);
    ExpectSameParameters(SavedWords(), defaults);
}

TEST_P(UsbTransfer, SilentSwitchFailsTheDownloadWithinTheBound)
{
    StartSwitch({"--mute"});
    const auto start = std::chrono::steady_clock::now();
    const sim::RunResult run = Cli({"download", "--port", "USB", File("never.kvnf"), "--force"});
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_FALSE(run.timedOut);
    EXPECT_NE(run.status.code, 0);
    EXPECT_NE(run.err.find("Error in ReadBuffer serial port"), std::string::npos) << run.err;
    // One unanswered request: the 3000 ms answer wait, not an endless poll.
    EXPECT_LT(took, 10s);
}

INSTANTIATE_TEST_SUITE_P(AdapterKinds, UsbTransfer, ::testing::Values("plain", "bridge"));

} // namespace
} // namespace kovrin
