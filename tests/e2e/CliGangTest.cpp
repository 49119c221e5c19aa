// kovrin-cli gang against four simulated switches at once, one of which falls silent.
#include "E2eSupport.h"

#include "config/Sha256.h"
#include "tests/support/TestFiles.h"

#include <algorithm>
#include <csignal>
#include <thread>

namespace kovrin::e2e {
namespace {

sim::RunResult GangIn(const ScratchDir& dir, std::vector<std::string> args)
{
    sim::ChildProcess::Launch launch;
    launch.argv = {sim::ProgramPath("kovrin-cli"), "gang"};
    launch.argv.insert(launch.argv.end(), args.begin(), args.end());
    launch.extraEnv = {"KOVRIN_ARCHIVE=" + dir.file("archive")};
    return sim::RunProgram(launch, Millis(60000));
}

std::size_t Count(const std::vector<std::string>& rows, const std::string& part)
{
    return static_cast<std::size_t>(
        std::count_if(rows.begin(), rows.end(), [&](const std::string& r) { return r.find(part) != std::string::npos; }));
}

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

TEST(CliGang, SwappedCablesWriteNothingAndTheNextRunKeepsTheRecordsBefore)
{
    ScratchDir dir;
    std::vector<sim::SimProcess> sims;
    std::string sha[2];
    for (int i = 0; i < 2; ++i) {
        const std::string code = i == 0 ? "SITE-A" : "SITE-B";
        auto sim = StartSim({"--fast", "--code", code, "--model", "TX100"});
        ASSERT_TRUE(sim);
        sims.push_back(std::move(*sim));
        // Each switch's own file, as downloaded and edited: it names its switch.
        ConfigRecord file;
        LoadFactoryDefaults(file);
        file.setText(field::AtsCode, code);
        file.setWord(0, static_cast<std::uint16_t>(185 + i));
        WriteRecord(file, dir.file("site" + std::to_string(i) + ".kvnf"));
        sha[i] = Sha256Hex(test::ReadFileBytes(dir.file("site" + std::to_string(i) + ".kvnf")));
    }
    const auto manifest = [&](bool swapped) {
        return "port,config,model,order\n" + sims[0].path() + ",site" + (swapped ? "1" : "0") + ".kvnf,TX100,77\n" +
               sims[1].path() + ",site" + (swapped ? "0" : "1") + ".kvnf,TX100,78\n";
    };
    test::WriteFileBytes(dir.file("swapped.csv"), manifest(true));
    test::WriteFileBytes(dir.file("line.csv"), manifest(false));

    // A results file that cannot be written stops the run before any port is opened.
    std::filesystem::create_directory(dir.file("folder.csv"));
    const sim::RunResult unwritable = GangIn(dir, {dir.file("swapped.csv"), "--results", dir.file("folder.csv")});
    EXPECT_EQ(unwritable.status.code, 4) << unwritable.out << unwritable.err;
    EXPECT_EQ(unwritable.out.find("opening"), std::string::npos) << unwritable.out;

    const sim::RunResult wrong = GangIn(dir, {dir.file("swapped.csv"), "--results", dir.file("out.csv"), "--operator", "Ana"});
    EXPECT_EQ(wrong.status.code, 3) << wrong.out << wrong.err;
    for (int i = 0; i < 2; ++i) {
        const sim::RunResult held = Cli({"download", "--port", sims[static_cast<std::size_t>(i)].path(), dir.file("held.kvnf"), "--force"});
        ASSERT_EQ(held.status.code, 0) << held.err;
        EXPECT_EQ(ReadRecord(dir.file("held.kvnf")).word(0), 180) << "written to the wrong switch " << i;
    }
    const sim::RunResult right = GangIn(dir, {dir.file("line.csv"), "--results", dir.file("out.csv"), "--operator", "Ana"});
    EXPECT_EQ(right.status.code, 0) << right.out << right.err;

    const std::vector<std::string> rows = FileLines(dir.file("out.csv"));
    ASSERT_EQ(rows.size(), 5u) << right.out;
    EXPECT_EQ(Count(rows, "run_id,"), 1u);
    EXPECT_TRUE(rows[0].ends_with(",message,order")) << rows[0];
    EXPECT_EQ(Count(rows, ",refused,checking,,"), 2u);
    EXPECT_EQ(Count(rows, "switch SITE-A is not SITE-B"), 1u);
    EXPECT_EQ(Count(rows, "switch SITE-B is not SITE-A"), 1u);
    EXPECT_EQ(Count(rows, ",passed,,0="), 2u);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        // Run, operator, the file and its hash, UTC times, the state read kept, the line's own column.
        EXPECT_EQ(rows[i].substr(0, rows[i].find(',')), rows[i < 3 ? 1 : 3].substr(0, rows[i].find(','))) << rows[i];
        EXPECT_NE(rows[i].find(",Ana,1,"), std::string::npos) << rows[i];
        const bool first = rows[i].find(sims[0].path()) != std::string::npos;
        const bool wrongFile = i < 3;
        const int file = first != wrongFile ? 0 : 1;
        EXPECT_NE(rows[i].find(",site" + std::to_string(file) + ".kvnf," + sha[file] + ",20"), std::string::npos) << rows[i];
        EXPECT_NE(rows[i].find("Z,20"), std::string::npos) << rows[i];
        EXPECT_NE(rows[i].find(dir.file("archive")), std::string::npos) << rows[i];
        EXPECT_TRUE(rows[i].ends_with(first ? ",77" : ",78")) << rows[i];
    }
    EXPECT_NE(rows[1].substr(0, 20), rows[3].substr(0, 20));
}

TEST(CliGang, SwitchTextsAboveAsciiKeepTheJunitAndJsonFilesReadable)
{
    ScratchDir dir;
    if (!std::filesystem::exists("/usr/bin/python3"))
        GTEST_SKIP() << "no python3 to parse the files";
    ConfigRecord site;
    LoadFactoryDefaults(site);
    WriteRecord(site, dir.file("site.kvnf"));
    auto sim = StartSim({"--fast", "--code", "K\xC9-1 <&>", "--model", "\xC9LAN\x81"});
    ASSERT_TRUE(sim);
    test::WriteFileBytes(dir.file("line.csv"), "port,config,model\n" + sim->path() + ",site.kvnf,TX100\n");
    const sim::RunResult r = GangIn(dir, {dir.file("line.csv"), "--junit", dir.file("out.xml"), "--jsonl", dir.file("out.jsonl")});
    EXPECT_EQ(r.status.code, 3) << r.out << r.err;

    sim::ChildProcess::Launch parse;
    parse.argv = {"/usr/bin/python3", "-c",
                  "import sys, json, xml.etree.ElementTree as E\n"
                  "f = E.parse(sys.argv[1]).getroot().find('testsuite/testcase/failure')\n"
                  "j = [json.loads(l) for l in open(sys.argv[2], encoding='utf-8')]\n"
                  "print(f.get('message')); print(j[0]['model'] + '|' + j[0]['ats_code'] + '|' + j[0]['result'])\n",
                  dir.file("out.xml"), dir.file("out.jsonl")};
    parse.extraEnv = {"PYTHONIOENCODING=utf-8"};
    const sim::RunResult parsed = sim::RunProgram(parse, Millis(60000));
    ASSERT_EQ(parsed.status.code, 0) << parsed.err;
    EXPECT_EQ(parsed.out, "model \xC3\x89LAN\xC2\x81 is not the manifest's TX100; nothing written\n"
                          "\xC3\x89LAN\xC2\x81|K\xC3\x89-1 <&>|refused\n");
}

} // namespace
} // namespace kovrin::e2e
