// kovrin-cli gang against four simulated switches at once, one of which falls silent.
#include "E2eSupport.h"

#include "tests/support/TestFiles.h"

#include <algorithm>
#include <csignal>
#include <thread>

namespace kovrin::e2e {
namespace {

TEST(CliGang, ProgramsEveryPortAtOnceAndASilentUnitFailsAlone)
{
    ScratchDir dir;
    ConfigRecord site;
    LoadFactoryDefaults(site);
    site.setWord(0, 185);
    site.setWord(1, 195);
    site.setWord(13, 5);
    WriteRecord(site, dir.file("site.kvnf"));

    std::vector<sim::SimProcess> sims;
    std::string manifest = "port,config,model\n";
    for (int i = 0; i < 4; ++i) {
        std::vector<std::string> options = {"--fast", "--code", "UNIT-" + std::to_string(i), "--model", "TX100",
                                            "--save", dir.file("held" + std::to_string(i) + ".kvnf")};
        if (i == 2)  // answers the identification, nominal data and four words, then nothing
            options.insert(options.end(), {"--mute-after", "6"});
        auto sim = StartSim(options);
        ASSERT_TRUE(sim);
        manifest += sim->path() + ",site.kvnf," + (i == 1 ? "" : "TX100") + "\n";
        sims.push_back(std::move(*sim));
    }
    test::WriteFileBytes(dir.file("line.csv"), manifest);

    const sim::RunResult r = Cli({"gang", dir.file("line.csv"), "--results", dir.file("out.csv")});
    EXPECT_EQ(r.status.code, 3) << r.out << r.err;
    const std::vector<std::string> rows = FileLines(dir.file("out.csv"));
    ASSERT_EQ(rows.size(), 5u) << r.out;
    EXPECT_EQ(rows[0], "run_id,station,operator,attempt,port,ats_code,model,firmware,template,template_sha256,"
                       "start_utc,end_utc,duration_s,result,stage,words,archived,archive_error,message");
    for (int i = 0; i < 4; ++i) {
        const std::string port = "," + sims[static_cast<std::size_t>(i)].path() + ",";
        const auto row = std::find_if(rows.begin() + 1, rows.end(),
                                      [&](const std::string& line) { return line.find(port) != std::string::npos; });
        ASSERT_NE(row, rows.end()) << port;
        if (i == 2) {
            EXPECT_NE(row->find(",failed,reading,,"), std::string::npos) << *row;
            EXPECT_TRUE(row->ends_with(",Error in ReadBuffer serial port")) << *row;
        } else {
            EXPECT_NE(row->find("UNIT-" + std::to_string(i) + ",TX100,V1.00,site.kvnf,"), std::string::npos) << *row;
            EXPECT_NE(row->find(",passed,,0=185 1=195 13=5,"), std::string::npos) << *row;
        }
    }
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(sims[static_cast<std::size_t>(i)].stop().code, 0);
        const ConfigRecord held = ReadRecord(dir.file("held" + std::to_string(i) + ".kvnf"));
        EXPECT_EQ(held.word(0), i == 2 ? 180 : 185) << i;
        EXPECT_EQ(held.word(1), i == 2 ? 190 : 195) << i;
        EXPECT_EQ(held.word(13), i == 2 ? 2 : 5) << i;
    }
}

TEST(CliGang, CtrlCEndsEveryUnitBetweenWordsAndKeepsTheResults)
{
    ScratchDir dir;
    ConfigRecord site;
    LoadFactoryDefaults(site);
    // Sixteen words that differ from the factory's: twelve seconds of pauses to write.
    const std::uint16_t words[16] = {185, 195, 250, 240, 185, 195, 250, 240, 46, 54, 46, 54, 5, 3, 100, 8};
    for (int i = 0; i < 16; ++i)
        site.setWord(i, words[i]);
    WriteRecord(site, dir.file("site.kvnf"));
    std::vector<sim::SimProcess> sims;
    std::string manifest = "port,config,model\n";
    for (int i = 0; i < 2; ++i) {
        auto sim = StartSim({"--fast", "--save", dir.file("held" + std::to_string(i) + ".kvnf")});
        ASSERT_TRUE(sim);
        manifest += sim->path() + ",site.kvnf,\n";
        sims.push_back(std::move(*sim));
    }
    test::WriteFileBytes(dir.file("line.csv"), manifest);

    std::string error;
    sim::ChildProcess::Launch launch;
    launch.argv = {sim::ProgramPath("kovrin-cli"), "gang", dir.file("line.csv"), "--results", dir.file("out.csv")};
    auto cli = sim::ChildProcess::Start(launch, error);
    ASSERT_TRUE(cli) << error;
    for (std::optional<std::string> line; (line = cli->readLine(Millis(5000)));)
        if (line->find("writing") != std::string::npos)
            break;
    std::this_thread::sleep_for(Millis(1200));
    ::kill(cli->pid(), SIGINT);
    const std::optional<sim::ExitStatus> status = cli->wait(Millis(3000));
    ASSERT_TRUE(status) << "no clean stop";
    EXPECT_EQ(status->code, 3) << cli->out() << cli->err();

    const std::vector<std::string> rows = FileLines(dir.file("out.csv"));
    ASSERT_EQ(rows.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(sims[static_cast<std::size_t>(i)].stop().code, 0);
        const ConfigRecord held = ReadRecord(dir.file("held" + std::to_string(i) + ".kvnf"));
        const std::string port = "," + sims[static_cast<std::size_t>(i)].path() + ",";
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const std::string& r) { return r.find(port) != std::string::npos; });
        ASSERT_NE(row, rows.end());
        EXPECT_NE(row->find(",stopped,writing,"), std::string::npos) << *row;
        // What the results say was written is exactly what the switch holds.
        std::string written;
        for (int w = 0; w < 16; ++w)
            if (held.word(w) == site.word(w))
                written += (written.empty() ? "" : " ") + std::to_string(w) + "=" + std::to_string(site.word(w));
        EXPECT_NE(row->find(",stopped,writing," + written + ","), std::string::npos) << *row;
        EXPECT_FALSE(written.empty()) << *row;
    }
}

} // namespace
} // namespace kovrin::e2e
