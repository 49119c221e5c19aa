// kovrin-cli through ser2net in front of simulated switches: the network port names, the
// gang behind one device server, a slow network and a server that goes away.
#include "E2eSupport.h"

#include "tests/support/TestFiles.h"
#include "tools/ats-sim/harness/DeviceServer.h"
#include "tools/ats-sim/harness/Relay.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace kovrin::e2e {
namespace {

constexpr int kExitDevice = 3;

// The simulators and the server in front of them; skips the test without ser2net.
struct Served {
    std::vector<sim::SimProcess> sims;
    std::unique_ptr<sim::DeviceServer> server;
};

Served Serve(ScratchDir& dir, const std::vector<std::vector<std::string>>& simOptions)
{
    Served s;
    std::vector<std::string> devices;
    for (const std::vector<std::string>& options : simOptions) {
        auto sim = StartSim(options);
        if (!sim)
            return s;
        devices.push_back(sim->path());
        s.sims.push_back(std::move(*sim));
    }
    std::string error;
    std::optional<sim::DeviceServer> server = sim::DeviceServer::Start(devices, dir.file(""), error);
    if (server)
        s.server = std::make_unique<sim::DeviceServer>(std::move(*server));
    else
        ADD_FAILURE() << error;
    return s;
}

#define SKIP_WITHOUT_SER2NET()                                                                                         \
    if (::access("/usr/sbin/ser2net", X_OK) != 0)                                                                      \
    GTEST_SKIP() << "ser2net is not installed"

TEST(NetworkPort, EveryNetworkNameDownloadsWhatTheSwitchHolds)
{
    SKIP_WITHOUT_SER2NET();
    ScratchDir dir;
    // 0xFF in the data: the telnet layer must double it on the way and undo it.
    // Three switches, so no name follows another on the same device: ser2net turns away
    // a client while it still closes the device for the one before.
    const std::vector<std::string> options = {"--fast", "--code", "NET-0000000000FF", "--word", "3=0x00FF",
                                              "--word", "15=0xFFFF"};
    Served s = Serve(dir, {options, options, options});
    ASSERT_TRUE(s.server);
    const sim::ServedDevice& t = s.server->devices()[0];
    const sim::ServedDevice& d = s.server->devices()[1];
    const sim::ServedDevice& e = s.server->devices()[2];
    const std::string names[] = {t.rfc2217Url(), d.rawUrl(), "tcp://127.0.0.1:" + std::to_string(e.rawPort),
                                 "RFC2217://127.0.0.1:" + std::to_string(t.rfc2217Port) + "?ign_set_params"};
    for (const std::string& name : names) {
        const std::string out = dir.file("got.kvnf");
        const sim::RunResult r = Cli({"download", "--port", name, out, "--force"});
        ASSERT_EQ(r.status.code, 0) << name << "\n" << r.err;
        const ConfigRecord got = ReadRecord(out);
        EXPECT_EQ(got.word(3), 0x00FF) << name;
        EXPECT_EQ(got.word(15), 0xFFFF) << name;
        EXPECT_NE(FileLines(out)[2].find("NET-0000000000FF"), std::string::npos) << name;
    }
}

TEST(NetworkPort, VerifiedUploadThroughRfc2217EndsUpInTheSwitch)
{
    SKIP_WITHOUT_SER2NET();
    ScratchDir dir;
    ConfigRecord sent;
    LoadFactoryDefaults(sent);
    sent.setWord(0, 190);
    sent.setWord(1, 205);
    sent.setWord(14, 80);
    WriteRecord(sent, dir.file("in.kvnf"));
    Served s = Serve(dir, {{"--fast", "--save", dir.file("held.kvnf")}});
    ASSERT_TRUE(s.server);
    const sim::RunResult r =
        Cli({"upload", "--port", s.server->devices()[0].rfc2217Url(), dir.file("in.kvnf"), "--verify"});
    EXPECT_EQ(r.status.code, 0) << r.err;
    EXPECT_NE(r.out.find("verified"), std::string::npos) << r.out;
    ASSERT_EQ(s.sims[0].stop().code, 0);
    const ConfigRecord held = ReadRecord(dir.file("held.kvnf"));
    for (int n = 0; n < 16; ++n)
        EXPECT_EQ(held.word(n), sent.word(n)) << "word " << n;
}

TEST(NetworkPort, GangProgramsEverySwitchBehindOneServer)
{
    SKIP_WITHOUT_SER2NET();
    ScratchDir dir;
    ConfigRecord site;
    LoadFactoryDefaults(site);
    site.setWord(0, 185);
    WriteRecord(site, dir.file("site.kvnf"));
    std::vector<std::vector<std::string>> options;
    for (int i = 0; i < 3; ++i)
        options.push_back({"--fast", "--code", "RACK-" + std::to_string(i), "--model", "TX100"});
    Served s = Serve(dir, options);
    ASSERT_TRUE(s.server);
    std::string manifest = "port,config,model\n";
    for (std::size_t i = 0; i < 3; ++i) {
        const sim::ServedDevice& d = s.server->devices()[i];
        manifest += (i == 1 ? d.rawUrl() : d.rfc2217Url()) + ",site.kvnf,TX100\n";
    }
    test::WriteFileBytes(dir.file("rack.csv"), manifest);
    const sim::RunResult r = Cli({"gang", dir.file("rack.csv"), "--results", dir.file("out.csv")});
    EXPECT_EQ(r.status.code, 0) << r.out << r.err;
    const std::vector<std::string> rows = FileLines(dir.file("out.csv"));
    ASSERT_EQ(rows.size(), 4u) << r.out;
    for (int i = 0; i < 3; ++i) {
        const std::string code = "RACK-" + std::to_string(i);
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const std::string& row) {
            return row.find("," + code + ",TX100,V1.00,") != std::string::npos &&
                   row.find(",passed,,0=185,") != std::string::npos;
        })) << code << "\n"
            << r.out;
    }
}

TEST(NetworkPort, DownloadOverASlowNetworkStillCompletes)
{
    SKIP_WITHOUT_SER2NET();
    ScratchDir dir;
    Served s = Serve(dir, {{"--fast", "--word", "2=258"}});
    ASSERT_TRUE(s.server);
    sim::Relay relay(s.server->devices()[0].rfc2217Port, Millis(50));  // a 100 ms round trip
    ASSERT_NE(relay.port(), 0u);
    const std::string out = dir.file("slow.kvnf");
    const sim::RunResult r = Cli({"download", "--port", "rfc2217://127.0.0.1:" + std::to_string(relay.port()), out});
    ASSERT_EQ(r.status.code, 0) << r.err;
    EXPECT_EQ(ReadRecord(out).word(2), 258);
}

TEST(NetworkPort, ServerGoneMidDownloadEndsWithTheLinksMessageAndNoFile)
{
    SKIP_WITHOUT_SER2NET();
    ScratchDir dir;
    Served s = Serve(dir, {{"--fast"}});
    ASSERT_TRUE(s.server);
    // Past the negotiation and the identification, inside the words.
    sim::Relay relay(s.server->devices()[0].rawPort, Millis(0), 150);
    ASSERT_NE(relay.port(), 0u);
    const std::string out = dir.file("never.kvnf");
    const sim::RunResult r = Cli({"download", "--port", "socket://127.0.0.1:" + std::to_string(relay.port()), out});
    EXPECT_TRUE(relay.cut());
    EXPECT_EQ(r.status.code, kExitDevice) << r.err;
    EXPECT_NE(r.err.find("Error in ReadBuffer serial port"), std::string::npos) << r.err;
    EXPECT_FALSE(FileExists(out));
}

// The Windows build's Winsock link, when a Wine set-up is given (KOVRIN_WINE: the wine
// program; KOVRIN_WINE_BIN: the Windows build's bin folder; WINEPREFIX: a booted prefix).
TEST(NetworkPort, WindowsBuildDownloadsThroughRfc2217UnderWine)
{
    SKIP_WITHOUT_SER2NET();
    const char* wine = std::getenv("KOVRIN_WINE");
    const char* bin = std::getenv("KOVRIN_WINE_BIN");
    if (!wine || !bin || !std::getenv("WINEPREFIX"))
        GTEST_SKIP() << "needs KOVRIN_WINE, KOVRIN_WINE_BIN and WINEPREFIX";
    ScratchDir dir;
    Served s = Serve(dir, {{"--fast", "--word", "15=0xFFFF"}});
    ASSERT_TRUE(s.server);
    sim::ChildProcess::Launch launch;
    launch.argv = {wine, std::string(bin) + "/kovrin-cli.exe", "download", "--port",
                   s.server->devices()[0].rfc2217Url(), dir.file("wine.kvnf")};
    const sim::RunResult r = sim::RunProgram(launch, Millis(120000));
    ASSERT_EQ(r.status.code, 0) << r.err;
    EXPECT_EQ(ReadRecord(dir.file("wine.kvnf")).word(15), 0xFFFF);
}

TEST(NetworkPort, NoServerListeningIsAnOpenFailureWithTheReason)
{
    ScratchDir dir;
    const unsigned port = sim::FreeLoopbackPort();
    const sim::RunResult r = Cli({"download", "--port", "rfc2217://127.0.0.1:" + std::to_string(port),
                                  dir.file("none.kvnf")});
    EXPECT_EQ(r.status.code, kExitDevice) << r.err;
    EXPECT_NE(r.err.find("Cannot open serial port"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("refused"), std::string::npos) << r.err;
}

} // namespace
} // namespace kovrin::e2e
