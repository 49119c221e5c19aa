// kovrin-cli download and upload against ats-sim on a pty: the files and words that
// travel, and what each fault of the switch makes of a transfer.
#include "E2eSupport.h"

#include "config/Parameters.h"

#include <cstdio>

namespace kovrin::e2e {
namespace {

constexpr const char* kReadBufferError = "Error in ReadBuffer serial port";

std::string RecordLine(int n, std::uint16_t value)
{
    char line[32];
    std::snprintf(line, sizeof line, "[%03d] %3u %3u", n, value >> 8, value & 0xFF);
    return line;
}

ConfigRecord FactoryRecord()
{
    ConfigRecord r;
    LoadFactoryDefaults(r);
    return r;
}

TEST(CliDownload, WritesTheSwitchsRecordAsTheWindowSavesIt)
{
    ScratchDir dir;
    const std::uint16_t words[16] = {185, 190, 258, 248, 180, 190, 258, 248, 45, 55, 45, 55, 4, 2, 90, 0x1234};
    auto sim = StartSim({"--fast", "--code", "E2E0000000000042", "--model", "MODEL X", "--firmware", "FW 2.10",
                         "--io-config", "4", "--ats-type", "6", "--word", "0=185", "--word", "14=90", "--word",
                         "15=0x1234"});
    ASSERT_TRUE(sim);
    const std::string out = dir.file("switch.kvnf");
    const sim::RunResult r = Cli({"download", "--port", sim->path(), out});
    ASSERT_EQ(r.status.code, 0) << r.err;

    const std::vector<std::string> lines = FileLines(out);
    ASSERT_EQ(lines.size(), 266u);
    EXPECT_EQ(lines[0].rfind("Date: ", 0), 0u);
    // The texts arrive in their full width on the wire, blanks included.
    const std::vector<std::string> header = {
        "",
        "ATS Code: E2E0000000000042",
        "ATS Model: MODEL X         ",
        "Firmware version: FW 2.10     ",
        "Input/Output configuration: 4",
        "ATS Type: 6",
        "Input Socket: 1",
        "Output Socket: 1",
    };
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.begin() + 9), header);
    unsigned sum = 0;
    for (int n = 0; n < 16; ++n) {
        EXPECT_EQ(lines[9 + static_cast<std::size_t>(n)], RecordLine(n, words[n]));
        sum += (words[n] >> 8) + (words[n] & 0xFF);
    }
    EXPECT_EQ(lines[9 + 16], RecordLine(16, 0));    // words the switch does not send stay 0
    EXPECT_EQ(lines[9 + 255], RecordLine(255, 0));
    EXPECT_EQ(lines[265], RecordLine(256, static_cast<std::uint16_t>(sum)));
}

TEST(CliDownload, NeverReplacesOutWithoutForce)
{
    ScratchDir dir;
    auto sim = StartSim({"--fast"});
    ASSERT_TRUE(sim);
    const std::string out = dir.file("kept.kvnf");
    { std::ofstream(out) << "mine\n"; }
    const sim::RunResult refused = Cli({"download", "--port", sim->path(), out});
    EXPECT_EQ(refused.status.code, 4) << refused.err;
    EXPECT_EQ(FileLines(out), std::vector<std::string>{"mine"});
    // The client closed the pty; the simulator serves the next one all the same.
    const sim::RunResult forced = Cli({"download", "--port", sim->path(), out, "--force"});
    EXPECT_EQ(forced.status.code, 0) << forced.err;
    EXPECT_EQ(FileLines(out).size(), 266u);
}

TEST(CliDownload, TwoClientsInTurnThroughTheSimulatorsLink)
{
    ScratchDir dir;
    const std::string link = dir.file("ats-line");
    {
        auto sim = StartSim({"--fast", "--link", link});
        ASSERT_TRUE(sim);
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim->path());
        for (const char* name : {"a.kvnf", "b.kvnf"}) {
            const sim::RunResult r = Cli({"download", "--port", link, dir.file(name)});
            EXPECT_EQ(r.status.code, 0) << name << ": " << r.err;
        }
        EXPECT_EQ(sim->stop().code, 0);
    }
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadRecord(dir.file("a.kvnf")).word(256), ReadRecord(dir.file("b.kvnf")).word(256));
}

TEST(CliDownload, ASwitchThatHangsUpEndsTheSimulatorWithItsWordsSaved)
{
    ScratchDir dir;
    const std::string saved = dir.file("after-hang-up.kvnf");
    const std::string log = dir.file("sim.log");
    std::string error;
    auto sim = sim::SimProcess::Start({"--fast", "--hang-up-after", "2", "--word", "3=240", "--save", saved}, error,
                                      log);
    ASSERT_TRUE(sim) << error;
    const sim::RunResult r = Cli({"download", "--port", sim->path(), dir.file("out.kvnf")});
    EXPECT_EQ(r.status.code, 3);
    const std::optional<sim::ExitStatus> end = sim->process().wait(Millis(5000));
    ASSERT_TRUE(end);
    EXPECT_EQ(end->code, 0);
    EXPECT_EQ(ReadRecord(saved).word(3), 240);
    // The log tells a trainer what happened, request by request.
    std::string text;
    for (const std::string& line : FileLines(log))
        text += line + "\n";
    for (const char* expected : {"#1 GI -> 68 bytes", "#2 GN -> 34 bytes", "#3 GM word 0 -> hangs up", "saved the words"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
}

TEST(CliUpload, VerifiedWordsEndUpInTheSwitch)
{
    ScratchDir dir;
    ConfigRecord sent = FactoryRecord();
    sent.setWord(0, 190);   // VoltageMinA
    sent.setWord(1, 205);   // its return voltage: hysteresis 15
    sent.setWord(12, 30);   // MaxDisplacementAngle
    sent.setWord(14, 80);   // OverloadThreshold
    const std::string in = dir.file("in.kvnf");
    WriteRecord(sent, in);
    const std::string saved = dir.file("switch-after.kvnf");
    auto sim = StartSim({"--fast", "--save", saved});
    ASSERT_TRUE(sim);

    const sim::RunResult r = Cli({"upload", "--port", sim->path(), in, "--verify"});
    EXPECT_EQ(r.status.code, 0) << r.err;
    EXPECT_NE(r.out.find("verified"), std::string::npos) << r.out;
    ASSERT_EQ(sim->stop().code, 0);
    const ConfigRecord held = ReadRecord(saved);
    for (int n = 0; n < 16; ++n)
        EXPECT_EQ(held.word(n), sent.word(n)) << "word " << n;
}

TEST(CliUpload, VerifyNamesTheWordTheSwitchDidNotKeep)
{
    ScratchDir dir;
    ConfigRecord sent = FactoryRecord();
    sent.setWord(15, 32);  // BlankingTime
    const std::string in = dir.file("in.kvnf");
    WriteRecord(sent, in);
    auto sim = StartSim({"--fast", "--drop-write", "15"});
    ASSERT_TRUE(sim);
    const sim::RunResult r = Cli({"upload", "--port", sim->path(), in, "--verify"});
    EXPECT_EQ(r.status.code, 3);
    EXPECT_NE(r.err.find("word 15 (BlankingTime): sent 32, switch holds 4"), std::string::npos) << r.err;
}

TEST(CliUpload, RefusedDataNeverReachesTheSwitch)
{
    ScratchDir dir;
    ConfigRecord bad = FactoryRecord();
    bad.setWord(8, 50);  // FrequencyMinA above FrequencyMaxA
    bad.setWord(9, 48);
    const std::string in = dir.file("bad.kvnf");
    WriteRecord(bad, in);
    const std::string saved = dir.file("untouched.kvnf");
    auto sim = StartSim({"--fast", "--save", saved, "--word", "9=52"});
    ASSERT_TRUE(sim);
    const sim::RunResult r = Cli({"upload", "--port", sim->path(), in});
    EXPECT_EQ(r.status.code, 1);
    EXPECT_NE(r.err.find("Frequency threshold minimum must be <= of threshold maximum"), std::string::npos) << r.err;
    ASSERT_EQ(sim->stop().code, 0);
    EXPECT_EQ(ReadRecord(saved).word(9), 52);
}

TEST(CliTransfer, UsageAndOpenErrors)
{
    ScratchDir dir;
    const std::string out = dir.file("out.kvnf");
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string message;
    } cases[] = {
        {{"download", out}, 2, "--port"},
        {{"download", "--port", "COM9", out}, 2, "unknown port 'COM9'"},
        {{"download", "--port", dir.file("no-such-tty"), out}, 3, "Cannot open serial port"},
        {{"upload", "--port", dir.file("no-such-tty"), dir.file("missing.kvnf")}, 4, "missing.kvnf"},
    };
    for (const Case& c : cases) {
        const sim::RunResult r = Cli(c.args);
        EXPECT_EQ(r.status.code, c.code) << c.args[0] << " " << c.args[1];
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(FileExists(out));
}

// One fault of the switch per case; each runs as its own CTest entry, since those that
// wait for the 3000 ms read time-out would otherwise queue behind each other.
struct FaultCase {
    const char* name;
    const char* command;  // "download" or "upload"
    std::vector<std::string> simOptions;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class CliFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(CliFault, FailsWithTheReadBufferBoxAndWritesNothing)
{
    const FaultCase& c = GetParam();
    ScratchDir dir;
    std::vector<std::string> options = {"--fast"};
    options.insert(options.end(), c.simOptions.begin(), c.simOptions.end());
    auto sim = StartSim(options);
    ASSERT_TRUE(sim);
    const std::string file = dir.file("record.kvnf");
    if (std::string(c.command) == "upload")
        WriteRecord(FactoryRecord(), file);
    const sim::RunResult r = Cli({c.command, "--port", sim->path(), file});
    EXPECT_EQ(r.status.code, 3) << r.err;
    EXPECT_NE(r.err.find(kReadBufferError), std::string::npos) << r.err;
    if (std::string(c.command) == "download") {
        EXPECT_FALSE(FileExists(file));
    }
}

INSTANTIATE_TEST_SUITE_P(
    SwitchFaults, CliFault,
    ::testing::Values(FaultCase{"Mute", "download", {"--mute"}},
                      FaultCase{"MuteAfterIdentification", "download", {"--mute-after", "2"}},
                      FaultCase{"BadCheckOnWords", "download", {"--bad-check", "GM"}},
                      FaultCase{"ShortNominalData", "download", {"--short-answer", "GN"}},
                      FaultCase{"HalfWord", "download", {"--half-answer", "GM"}},
                      FaultCase{"JunkFirst", "download", {"--junk", "3"}},
                      FaultCase{"HangUpAfterThree", "download", {"--hang-up-after", "3"}},
                      FaultCase{"IgnoresWriteOfWord2", "upload", {"--ignore-write", "2"}},
                      FaultCase{"BadCheckOnAcknowledgement", "upload", {"--bad-check", "SM"}}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace kovrin::e2e
